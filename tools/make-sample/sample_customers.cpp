#include "sample_customers.h"

#include <cstdint>
#include <optional>

namespace sample {

namespace {

struct Customer {
  const char16_t* firstName;  // nullptr = null
  const char16_t* lastName;
  const char16_t* company;
  const char16_t* city;
  const char16_t* country;
  const char16_t* notes;
  std::int16_t orders;
  double since;  // days since 1899-12-30
};

// Messy on purpose: all caps, all lower case, mixed, apostrophes and hyphens.
constexpr Customer kCustomers[] = {
    {u"JOHN", u"SMITH", u"ACME CORPORATION", u"NEW YORK", u"USA",
     u"PREFERS EMAIL CONTACT. CALL ONLY IN EMERGENCIES.", 12, 43831},
    {u"mary", u"o'brien", u"o'brien & sons ltd", u"dublin", u"ireland",
     u"met at the trade fair in spring. wants a catalogue.", 3, 43900},
    {u"Jean-Luc", u"PICARD", u"starfleet supplies", u"la barre", u"FRANCE",
     u"Tea, Earl Grey, hot. Orders Every Quarter.", 7, 42005},
    {u"aNNa", u"mÜller-lüdenscheidt", u"MÜLLER GMBH", u"münchen", u"Germany",
     u"sPEAKS gERMAN AND eNGLISH.", 25, 41000},
    {u"PETER", u"van der berg", u"Van Der Berg B.V.", u"AMSTERDAM", u"the netherlands", nullptr, 0,
     44000},
    {u"sarah", u"connor", u"CYBERDYNE SYSTEMS", u"los angeles", u"usa",
     u"DO NOT SCHEDULE MEETINGS ON MONDAYS.", 1, 39000},
    {u"José", u"GARCÍA", u"garcía y asociados", u"MADRID", u"Spain",
     u"pays on time. long-term customer since the nineties.", 40, 35000},
    {u"li", u"WEI", u"great wall trading co.", u"BEIJING", u"CHINA", u"", 9, 44200},
    {u"D'ARCY", u"fitzwilliam", u"pemberley estates", u"DERBYSHIRE", u"united kingdom",
     u"Proud But Reliable. Prefers Letters.", 2, 38000},
    {u"o'neil", u"SHAUGHNESSY", u"O'NEIL'S PUB", u"cork", u"IRELAND",
     u"asks for the o'neil discount every time.", 15, 40000},
    {u"MARIE-CLAIRE", u"dubois", u"Dubois & Fils", u"LYON", u"france",
     u"NEW CONTACT PERSON FROM MARCH: mme. leclerc.", 6, 43000},
    {u"hans", u"JÜRGENSEN", u"nordsee fisch ag", u"HAMBURG", u"GERMANY", nullptr, 11, 42500},
    {u"Kim", u"lee", u"SEOUL ELECTRONICS", u"seoul", u"south korea",
     u"ships by air only. cc: accounting.", 33, 43500},
    {u"ÅSA", u"lindqvist", u"lindqvist design ab", u"STOCKHOLM", u"Sweden",
     u"LIKES MINIMALIST PACKAGING.", 4, 44100},
    {u"mcdonald", u"RONALD", u"McDonald's Franchise #42", u"CHICAGO", u"USA",
     u"mcDONALD, not MACDONALD.", 19, 41500},
    {u"ELIZABETH", u"bennet-darcy", u"LONGBOURN FARMS", u"hertfordshire", u"UNITED KINGDOM",
     u"Sister Of Jane. Very Particular About Invoices.", 5, 38500},
    {u"giuseppe", u"VERDI", u"la scala forniture", u"MILANO", u"italy",
     u"OPERA SEASON: NO DELIVERIES IN DECEMBER.", 8, 37000},
    {u"Olga", u"IVANOVA", u"SIBERIAN TIMBER LLC", u"novosibirsk", u"RUSSIA", u"", 14, 42800},
    {u"nikos", u"papadopoulos", u"PAPADOPOULOS SHIPPING", u"PIRAEUS", u"greece",
     u"call before noon (athens time).", 21, 40500},
    {u"FATIMA", u"al-sayed", u"al-sayed trading", u"DUBAI", u"united arab emirates",
     u"PREFERS WHATSAPP. PAYS IN ADVANCE.", 10, 43700},
    {u"tom", u"O'REILLY", u"o'reilly media-works", u"sebastopol", u"USA", u"books, books, BOOKS.",
     30, 39500},
    {u"Ingrid", u"BERGMAN-STRÖM", u"nordic film ab", u"göteborg", u"SWEDEN", nullptr, 2, 36000},
    {u"PIERRE", u"le blanc", u"LE BLANC PÂTISSERIE", u"paris", u"France",
     u"croissants every friday. ask for pierre, not the manager.", 52, 44300},
    {u"aIDAN", u"mac an tsaoir", u"MAC AN TSAOIR & CO", u"galway", u"Ireland",
     u"IRISH-SPEAKING OFFICE.", 3, 42000},
    {u"Chen", u"XIAOMING", u"shanghai textiles", u"SHANGHAI", u"china",
     u"Samples Sent In January; Waiting For Reply.", 0, 44500},
    {u"", u"ANONYMOUS", u"UNKNOWN BUYER", u"", u"", u"walk-in customer, no details given.", 1,
     44600},
    {u"KARL-HEINZ", u"schmidt", u"Schmidt & Schmidt KG", u"KÖLN", u"germany",
     u"ALWAYS ORDERS THE SAME THING.", 17, 40800},
    {u"emma", u"WATSON", u"hogwarts supplies ltd", u"LONDON", u"uk",
     u"tHIS cUSTOMER tYPES wITH cAPS lOCK oN.", 6, 43300},
    {u"RAJ", u"patel", u"PATEL SPICES PVT. LTD.", u"mumbai", u"INDIA",
     u"family business; three brothers share the account.", 27, 41800},
    {u"lucía", u"FERNÁNDEZ-LÓPEZ", u"fernández hermanos", u"SEVILLA", u"ESPAÑA", nullptr, 9, 42300},
    {u"Björn", u"BORG", u"SVENSKA TENNIS AB", u"stockholm", u"sweden", u"", 13, 37500},
    {u"MOHAMMED", u"el-amin", u"EL-AMIN IMPORTS", u"casablanca", u"MOROCCO",
     u"ramadan hours apply.", 8, 43100},
    {u"yuki", u"TANAKA", u"tanaka robotics k.k.", u"TOKYO", u"japan",
     u"VERY POLITE EMAILS. REPLY WITHIN A DAY.", 22, 44050},
    {u"Patrick", u"o'sullivan-keane", u"O'SULLIVAN-KEANE LAW", u"LIMERICK", u"ireland",
     u"legal invoices need two signatures.", 2, 39900},
    {u"SOPHIE", u"de la croix", u"DE LA CROIX VINS", u"bordeaux", u"FRANCE",
     u"Wine Tasting Invitation Every Autumn.", 11, 40200},
    {u"Ahmed", u"HASSAN", u"nile cotton co.", u"CAIRO", u"Egypt", nullptr, 5, 41200},
    {u"MAREK", u"nowak", u"NOWAK BUDOWNICTWO", u"kraków", u"POLAND",
     u"polish invoices only. no english copies.", 16, 42900},
    {u"isabella", u"ROSSI", u"rossi moda s.r.l.", u"FIRENZE", u"Italy",
     u"SEASONAL ORDERS: SPRING AND FALL.", 12, 43400},
    {u"John-Paul", u"JONES", u"JONES & JONES LLP", u"cardiff", u"WALES",
     u"not to be confused with john jones (row 12).", 4, 38800},
    {u"TAMARA", u"petrović", u"PETROVIĆ D.O.O.", u"beograd", u"serbia", u"", 7, 42600},
    {u"liam", u"MURPHY", u"murphy's law consulting", u"BOSTON", u"usa",
     u"EVERYTHING THAT CAN GO WRONG, WILL.", 1, 44400},
    {u"Zoë", u"D'ANGELO", u"d'angelo e figli", u"NAPOLI", u"ITALY",
     u"pizza party after every big order.", 35, 40700},
    {u"HELGA", u"von Bismarck-Schönhausen", u"VON BISMARCK HOLDING", u"berlin", u"GERMANY",
     u"Insists On The Full Name On Every Letter.", 3, 37800},
    {u"carlos", u"SANTOS", u"santos café ltda", u"SÃO PAULO", u"brazil", u"COFFEE SAMPLES WELCOME.",
     18, 43600},
    {u"Eoin", u"Ó BRIAIN", u"ó briain agri", u"KILKENNY", u"Ireland", nullptr, 6, 41600},
    {u"NGUYEN", u"van an", u"NGUYEN EXPORT JSC", u"hanoi", u"VIET NAM",
     u"family name first: nguyen is the surname.", 20, 43950},
    {u"anne-marie", u"SMITH-JONES", u"Smith-Jones Interiors", u"BRIGHTON", u"united kingdom", u"",
     9, 42100},
    {u"MIKKO", u"virtanen", u"VIRTANEN OY", u"helsinki", u"FINLAND",
     u"sauna on fridays; no calls after 2 pm.", 4, 40300},
    {u"grace", u"O'MALLEY", u"o'malley maritime", u"WESTPORT", u"IRELAND",
     u"PIRATE QUEEN OF THE ACCOUNTS DEPARTMENT.", 28, 39200},
    {u"Émile", u"ZOLA", u"zola éditions", u"PARIS", u"france", u"j'accuse... late payments, twice.",
     3, 36500},
};

engine::Value text(const char16_t* value) {
  return value ? engine::Value(engine::Text(value)) : engine::Value::null();
}

}  // namespace

engine::NewDatabase customersDatabase() {
  using Type = engine::NewColumn::Type;
  engine::NewDatabase db;
  db.format = engine::NewDatabase::Format::Jet4;
  db.creationDate = 45292.5;  // fixed, so that the file is the same at every build
  engine::NewTable table;
  table.name = u"Customers";
  table.columns = {{u"CustomerID", Type::Long},
                   {u"FirstName", Type::Text, 50},
                   {u"LastName", Type::Text, 50},
                   {u"Company", Type::Text, 100},
                   {u"City", Type::Text, 50},
                   {u"Country", Type::Text, 50},
                   {u"Notes", Type::Memo},
                   {u"Orders", Type::Integer},
                   {u"CustomerSince", Type::DateTime}};
  table.indexes = {{u"PrimaryKey", {u"CustomerID"}, /*primary=*/true, /*unique=*/true}};
  std::int32_t id = 1;
  for (const auto& c : kCustomers)
    table.rows.push_back({id++, text(c.firstName), text(c.lastName), text(c.company), text(c.city),
                          text(c.country), text(c.notes), c.orders, engine::DateTime{c.since}});
  db.tables.push_back(std::move(table));
  return db;
}

}  // namespace sample
