#include <gtest/gtest.h>

#include "case/case.h"

using Case::CaseMode;

namespace {

std::u16string Names(std::u16string_view text, const Case::NameExceptions& exceptions = {}) {
  return Case::Convert(CaseMode::Names, text, exceptions);
}

// Names as Name Case writes them, from many languages. Each is also given in
// capitals and in small letters, which must come out the same.
const char16_t* const kNames[] = {
    // English, Scottish and Irish
    u"John Smith",
    u"Mary Ann Jones",
    u"McDonald",
    u"Ronald McDonald",
    u"McCartney",
    u"Paul McCartney",
    u"Ewan McGregor",
    u"Steve McQueen",
    u"Rachel McAdams",
    u"John McEnroe",
    u"Rory McIlroy",
    u"James McAvoy",
    u"Robert McNamara",
    u"Sarah McLaughlin",
    u"MacLeod",
    u"Alasdair MacLeod",
    u"MacArthur",
    u"Douglas MacArthur",
    u"MacGregor",
    u"MacIntyre",
    u"MacDonald",
    u"MacLean",
    u"MacMillan",
    u"MacNeil",
    u"MacPherson",
    u"MacQueen",
    u"MacRae",
    u"MacBain",
    u"MacAulay",
    u"MacEwan",
    u"MacInnes",
    u"MacAskill",
    u"MacFarlane",
    u"MacDougall",
    u"MacLachlan",
    u"MacAllister",
    u"MacDuff",
    u"Mack",
    u"Connie Mack",
    u"Macy",
    u"Macy Gray",
    u"Mace",
    u"Macey",
    u"Macon",
    u"Macri",
    u"Macek",
    u"Mackay",
    u"Mackenzie Davis",
    u"Mackie",
    u"Macklin",
    u"Machin",
    u"Machiavelli",
    u"O'Brien",
    u"Conan O'Brien",
    u"O'Neill",
    u"Shaquille O'Neal",
    u"O'Connor",
    u"Maureen O'Hara",
    u"O\u2019Brien",
    u"D'Arcy",
    u"Fitzwilliam D'Arcy",
    u"D'Angelo",
    u"Roger L'Estrange",
    u"McDonald's",
    u"Smith-Jones",
    u"Andrew Lloyd-Webber",
    u"Mary-Kate Olsen",
    u"Anne-Marie Duff",
    u"Mr. John Smith",
    u"Dr. Martin Luther King Jr.",
    u"St. John",
    u"Ursula K. Le Guin",
    u"John F. Kennedy",
    u"Smith, John",
    u"(Bob) Jones",
    u"\"Bud\" Abbott",
    u"Anna  Maria",
    u"Anna\nMaria",
    // Kings, popes and heirs
    u"Henry VIII",
    u"Louis XIV",
    u"Louis XVI",
    u"John Smith III",
    u"Pope John Paul II",
    u"Elizabeth II",
    u"Charles V",
    u"Henry IV",
    u"Richard III",
    u"Robert Jones IV",
    u"Ramesses II",
    u"Gustav VI Adolf",
    u"Thurston Howell III",
    u"Vi Hart",
    // Initials
    u"J.R.R. Tolkien",
    u"J.K. Rowling",
    u"George R.R. Martin",
    u"C.S. Lewis",
    u"T.S. Eliot",
    u"H.G. Wells",
    u"P.D. James",
    u"A.A. Milne",
    u"J. R. R. Tolkien",
    u"A.P.J. Abdul Kalam",
    // Dutch and Flemish
    u"Ludwig van Beethoven",
    u"Vincent van Gogh",
    u"Van Morrison",
    u"Johannes van der Berg",
    u"Van der Berg",
    u"Edwin van der Sar",
    u"Ruud van Nistelrooy",
    u"Robin van Persie",
    u"Jean van Damme",
    u"Piet IJzerman",
    u"IJsbrand Kok",
    u"Corrie ten Boom",
    u"Gerard ter Borch",
    u"Arjen Robben",
    // German
    u"Wernher von Braun",
    u"Ursula von der Leyen",
    u"Otto von Bismarck",
    u"Jürgen Klopp",
    u"Günter Grass",
    u"Müller-Lüdenscheidt",
    u"Hans Müller-Lüdenscheidt",
    u"Karl-Heinz Rummenigge",
    u"Karl-Theodor zu Guttenberg",
    u"Marion Dönhoff",
    u"Straße",
    u"Dietrich Bonhoeffer",
    // French
    u"Jean-Luc Picard",
    u"Jean-Paul Sartre",
    u"Marie-Claire Dubois",
    u"Charles de Gaulle",
    u"De Gaulle",
    u"Valéry Giscard D'Estaing",
    u"Jean de la Fontaine",
    u"Daphne du Maurier",
    u"Antoine de Saint-Exupéry",
    u"François Hollande",
    u"Gérard Depardieu",
    u"Éloïse Côté",
    u"Alexis de Tocqueville",
    u"Jean-de-Dieu Soult",
    u"Emmanuel Macron",
    // Spanish and Portuguese
    u"Anna de la Cruz",
    u"Penélope Cruz",
    u"Guillermo del Toro",
    u"María del Carmen",
    u"José María Aznar",
    u"Gabriel García Márquez",
    u"Pedro Almodóvar",
    u"Íñigo Errejón",
    u"Juan Carlos de Borbón",
    u"Francisco de Goya y Lucientes",
    u"José Ortega y Gasset",
    u"Zoë Saldaña",
    u"João dos Santos",
    u"Luís Inácio Lula da Silva",
    u"Sebastião Salgado",
    u"Cristiano Ronaldo dos Santos Aveiro",
    u"Antonio Machado",
    u"Macias",
    u"Maciel",
    u"Macedo",
    u"Macario",
    // Italian
    u"Leonardo da Vinci",
    u"Da Vinci",
    u"Giovanni di Lorenzo",
    u"Giuseppe Verdi",
    u"Alessandro del Piero",
    u"Dell'Acqua",
    u"Sant'Angelo",
    u"Gian-Carlo Menotti",
    u"Macaluso",
    u"Maccarone",
    u"Macchia",
    u"Lucrezia della Rovere",
    // Irish and Welsh Gaelic
    u"Seán Ó Briain",
    u"Niamh Ní Bhriain",
    u"Dafydd ap Gwilym",
    // Arabic names in Latin letters
    u"Omar al-Bashir",
    u"Al-Khwarizmi",
    u"Abu Bakr al-Baghdadi",
    u"Haroun al Rashid",
    u"Hamid ibn Ali",
    u"Ali ibn Abi Talib",
    u"Mohammed bin Salman",
    u"Nur binti Ahmad",
    // Nordic
    u"Søren Kierkegaard",
    u"Åsa Larsson",
    u"Björn Borg",
    u"Bjørn Dæhlie",
    u"Sigríður Þórðardóttir",
    u"Halldór Laxness",
    // Central and Eastern European
    u"Łukasz Żmuda",
    u"Wisława Szymborska",
    u"Jiří Šťastný",
    u"Antonín Dvořák",
    u"Małgorzata Kożuchowska",
    u"Erdős Pál",
    u"Şükrü Çelik",
    u"Recep Erdoğan",
    u"Fyodor Dostoevsky",
    u"Фёдор Достоевский",
    u"Анна Каренина",
    u"Мария Шарапова-Иванова",
    u"Леся Українка",
    u"Ελένη Νικολάου",
    u"Ιωάννα Παππά",
    u"Արամ Խաչատրյան",
    // African, Asian and Pacific
    u"Nelson Mandela",
    u"Chinua Achebe",
    u"Ngũgĩ wa Thiong'o",
    u"Ijeoma Oluo",
    u"Wangari Maathai",
    u"Kofi Annan",
    u"Xi Jinping",
    u"Jinping Xi",
    u"Anh Do",
    u"Rahul Das",
    u"Lê Duẩn",
    u"Nguyễn Văn An",
    u"Amitabh Bachchan",
    u"Sachin Tendulkar",
    u"Kamehameha",
    u"Ka'ahumanu",
    u"Te Kooti",
    u"Tāmati Waka Nene",
    u"Haruki Murakami",
    u"Kim Yuna",
    // Scripts without letter case stay as they are
    u"毛泽东",
    u"山田太郎",
    u"김정은",
    u"محمد علي",
    u"דוד בן-גוריון",
    u"राम",
    u"สมชาย",
    // Nothing to do
    u"",
    u"   ",
    u"-",
    u"42",
};

class NameForms : public testing::TestWithParam<const char16_t*> {};

TEST_P(NameForms, WrittenAsNamesAreWrittenFromAnyCase) {
  const std::u16string expected = GetParam();
  EXPECT_EQ(Names(expected), expected);
  EXPECT_EQ(Names(Case::UpperCase(expected)), expected);
  EXPECT_EQ(Names(Case::LowerCase(expected)), expected);
}

INSTANTIATE_TEST_SUITE_P(ManyLanguages, NameForms, testing::ValuesIn(kNames));

TEST(NameCase, TableHoldsAtLeastThreeHundredForms) { EXPECT_GE(std::size(kNames) * 3, 300u); }

TEST(NameCase, WholeNameFromCapitals) {
  EXPECT_EQ(Names(u"MCDONALD-O'BRIEN VAN DER BERG III"), u"McDonald-O'Brien van der Berg III");
}

TEST(NameCase, OtherFormsOfTheSameName) {
  EXPECT_EQ(Names(u"mcdonald"), u"McDonald");
  EXPECT_EQ(Names(u"o'brien"), u"O'Brien");
  EXPECT_EQ(Names(u"jean-luc"), u"Jean-Luc");
  EXPECT_EQ(Names(u"vAN dER bERG"), u"Van der Berg");
  EXPECT_EQ(Names(u"j.r.r."), u"J.R.R.");
  EXPECT_EQ(Names(u"henry viii,"), u"Henry VIII,");
  EXPECT_EQ(Names(u"smith iii."), u"Smith III.");
  EXPECT_EQ(Names(u"a\tb\rc"), u"A\tB\rC");
}

TEST(NameCase, ExceptionsAreKeptAsWritten) {
  const Case::NameExceptions exceptions({u"USA", u"IBM", u"PhD", u"McDonald's", u"DeVito"});
  EXPECT_EQ(Names(u"usa", exceptions), u"USA");
  EXPECT_EQ(Names(u"IBM-COMPATIBLE", exceptions), u"IBM-Compatible");
  EXPECT_EQ(Names(u"JOHN SMITH PHD", exceptions), u"John Smith PhD");
  EXPECT_EQ(Names(u"mcdonald's", exceptions), u"McDonald's");
  EXPECT_EQ(Names(u"DANNY DEVITO", exceptions), u"Danny DeVito");
  EXPECT_EQ(Names(u"made in usa.", exceptions), u"Made In USA.");
  EXPECT_EQ(Names(u"(ibm),", exceptions), u"(IBM),");
  // Only whole words: a longer word that begins with one is a name as usual.
  EXPECT_EQ(Names(u"usability", exceptions), u"Usability");
  // An exception wins over the name rules.
  const Case::NameExceptions machines({u"MACHINE", u"van"});
  EXPECT_EQ(Names(u"machine", machines), u"MACHINE");
  EXPECT_EQ(Names(u"van", machines), u"van");
}

TEST(NameCase, ExceptionListsAreWordsOnLinesOrBetweenSpaces) {
  EXPECT_EQ(Case::ExceptionWords(u"USA IBM\nPhD\r\n\tMcDonald's  \n"),
            (std::vector<std::u16string>{u"USA", u"IBM", u"PhD", u"McDonald's"}));
  EXPECT_TRUE(Case::ExceptionWords(u" \n ").empty());
}

TEST(NameCase, NeverChangesLength) {
  std::u16string all;
  for (char32_t c = 1; c <= 0xFFFF; ++c) {
    all.push_back(char16_t(c));
    if (c % 7 == 0) all.push_back(u' ');
  }
  EXPECT_EQ(Names(all).size(), all.size());
  const Case::NameExceptions exceptions({u"ab", u"\u0130x"});
  EXPECT_EQ(Names(u"AB \u0130X ix", exceptions).size(), 8u);
}

TEST(NameCase, TheOtherConversionsStayAsTheyWere) {
  EXPECT_EQ(Case::Convert(CaseMode::Proper, u"MCDONALD-O'BRIEN VAN DER BERG III"),
            u"Mcdonald-o'brien Van Der Berg Iii");
  EXPECT_EQ(Case::Convert(CaseMode::Sentence, u"o'BRIEN"), u"O'brien");
}

TEST(ModeSelection, NameCaseHasAKeywordOfItsOwn) {
  EXPECT_EQ(Case::SelectCaseMode(u"Name Case"), CaseMode::Names);
  for (const char16_t* entry : {u"UPPER CASE", u"lower case", u"Proper Case", u"Sentence case"})
    EXPECT_NE(Case::SelectCaseMode(entry), CaseMode::Names);
  // The earlier keywords still win.
  EXPECT_EQ(Case::SelectCaseMode(u"proper names"), CaseMode::Proper);
}

}  // namespace
