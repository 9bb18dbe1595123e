// The undo file: what is written reads back exactly, lines reach the disk
// only at a commit, existing files are never replaced, and a file cut short
// anywhere reads as the changes it holds whole.

#include "run/undo_file.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "engine/error.h"
#include "engine/support/update_support.h"

namespace {

constexpr const char* kPath = "/m/run.undo";

const Run::UndoHeader kHeader{u"/data/orders.mdb", u"Proper Case", u"2024-05-01T09:30:00Z"};

// The database kHeader names: undo files take its permission bits.
void putDatabase(updatetest::MemoryFolder& folder) { folder.put("/data/orders.mdb", {}); }

std::vector<ado::TextChange> someChanges() {
  return {
      {u"Orders", u"City", {12, 3}, ado::Text(u"o'hare"), u"O'hare"},
      {u"Orders", u"City", {12, 4}, ado::Text(u"say \"hi\" \\ back"), u"Say \"Hi\" \\ Back"},
      {u"Order Lines", u"Näme", {4294967295u, 255}, ado::Text(u"tab\there\nnew\u0001"), u"TAB"},
      {u"Orders", u"Note", {7, 0}, ado::Text(u"smile \U0001F600 x"), u"SMILE \U0001F600 X"},
      // Unpaired surrogates, which UTF-8 cannot hold.
      {u"Orders",
       u"Note",
       {7, 1},
       ado::Text(std::u16string(u"a") + char16_t(0xD800) + u"b"),
       std::u16string(u"A") + char16_t(0xDC00)},
      {u"Orders", u"Note", {7, 2}, ado::Value::null(), u"new"},
  };
}

void expectEntriesAre(const std::vector<Run::UndoEntry>& entries,
                      const std::vector<ado::TextChange>& changes) {
  ASSERT_EQ(entries.size(), changes.size());
  for (std::size_t i = 0; i < changes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].table, changes[i].table);
    EXPECT_EQ(entries[i].field, changes[i].field);
    EXPECT_EQ(entries[i].row, changes[i].row);
    EXPECT_EQ(entries[i].newText, changes[i].after);
    if (changes[i].before.isText())
      EXPECT_EQ(entries[i].oldText, changes[i].before.text());
    else
      EXPECT_FALSE(entries[i].oldText.has_value());
  }
}

std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

TEST(UndoFile, EveryChangeReadsBackExactly) {
  updatetest::MemoryFolder folder;
  putDatabase(folder);
  const auto changes = someChanges();
  {
    Run::UndoFileWriter writer(folder, kPath, kHeader);
    for (const auto& change : changes) writer.writing(change);
    writer.committing();
    EXPECT_EQ(writer.entries(), static_cast<long>(changes.size()));
  }
  const Run::UndoFile undo = Run::ReadUndoFile(folder, kPath);
  EXPECT_FALSE(undo.cutShort);
  EXPECT_EQ(undo.header.database, kHeader.database);
  EXPECT_EQ(undo.header.caseName, kHeader.caseName);
  EXPECT_EQ(undo.header.created, kHeader.created);
  expectEntriesAre(undo.entries, changes);

  // Each line is a JSON object on its own; the header names format and version.
  const std::string bytes = text(folder.durable(kPath));
  EXPECT_EQ(
      bytes.rfind(R"({"format":"caseloom-undo","version":1,"database":"/data/orders.mdb")", 0), 0u);
  std::size_t lines = 0;
  for (std::size_t start = 0; start < bytes.size(); ++lines) {
    const std::size_t end = bytes.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(bytes.substr(start, end - start)))
                    .isObject());
    start = end + 1;
  }
  EXPECT_EQ(lines, changes.size() + 1);
  EXPECT_NE(bytes.find(R"({"table":"Orders","field":"City","page":12,"row":3,"old":"o'hare",)"),
            std::string::npos);
}

TEST(UndoFile, LinesReachTheDiskAtEachCommitAndNotBefore) {
  updatetest::MemoryFolder folder;
  putDatabase(folder);
  Run::UndoFileWriter writer(folder, kPath, kHeader);
  const std::size_t headerOnly = folder.durable(kPath).size();
  EXPECT_GT(headerOnly, 0u) << "the header is durable before the first change";
  const auto changes = someChanges();
  writer.writing(changes[0]);
  writer.writing(changes[1]);
  EXPECT_EQ(folder.durable(kPath).size(), headerOnly);
  writer.committing();
  expectEntriesAre(Run::ReadUndoFile(folder, kPath).entries, {changes[0], changes[1]});
  writer.committing();  // nothing new
  writer.writing(changes[2]);
  writer.committing();
  expectEntriesAre(Run::ReadUndoFile(folder, kPath).entries, {changes[0], changes[1], changes[2]});
}

TEST(UndoFile, FailedCommitKeepsItsLinesForTheNext) {
  updatetest::MemoryFolder folder;
  putDatabase(folder);
  Run::UndoFileWriter writer(folder, kPath, kHeader);
  const auto changes = someChanges();
  writer.writing(changes[0]);
  folder.injectFault(updatetest::MemoryFolder::Fault::Fail, 2);  // the sync
  EXPECT_THROW(writer.committing(), engine::Error);
  writer.writing(changes[1]);
  writer.committing();
  const Run::UndoFile undo = Run::ReadUndoFile(folder, kPath);
  EXPECT_FALSE(undo.cutShort);
  expectEntriesAre(undo.entries, {changes[0], changes[1]});
}

TEST(UndoFile, AnExistingFileIsNeverReplaced) {
  updatetest::MemoryFolder folder;
  putDatabase(folder);
  folder.put(kPath, bytesOf("the only way back from last week\n"));
  try {
    Run::UndoFileWriter writer(folder, kPath, kHeader);
    ADD_FAILURE() << "an existing file was replaced";
  } catch (const Run::UndoFileError& e) {
    EXPECT_EQ(e.kind(), Run::UndoFileError::Kind::Exists);
  }
  EXPECT_EQ(text(folder.durable(kPath)), "the only way back from last week\n");
}

TEST(UndoFile, CutAnywhereReadsTheWholeLinesBeforeTheCut) {
  updatetest::MemoryFolder whole;
  putDatabase(whole);
  const auto changes = someChanges();
  {
    Run::UndoFileWriter writer(whole, kPath, kHeader);
    for (const auto& change : changes) writer.writing(change);
    writer.committing();
  }
  const std::string bytes = text(whole.durable(kPath));
  std::vector<std::size_t> lineEnds;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\n') lineEnds.push_back(i);
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    for (bool zeros : {false, true}) {
      SCOPED_TRACE(std::to_string(length) + (zeros ? " and zeros" : ""));
      updatetest::MemoryFolder folder;
      std::string cut = bytes.substr(0, length);
      if (zeros) cut += std::string(300, '\0');
      folder.put(kPath, bytesOf(cut));
      const Run::UndoFile undo = Run::ReadUndoFile(folder, kPath);
      // Lines complete up to their closing brace count; the header is line 0.
      std::size_t complete = 0;
      for (std::size_t end : lineEnds)
        if (end <= length) ++complete;
      const std::size_t entries = complete > 0 ? complete - 1 : 0;
      ASSERT_EQ(undo.entries.size(), entries);
      expectEntriesAre(undo.entries, {changes.begin(), changes.begin() + entries});
      bool atLineEnd = false;
      for (std::size_t end : lineEnds) atLineEnd = atLineEnd || length == end || length == end + 1;
      EXPECT_EQ(undo.cutShort, !atLineEnd);
    }
  }
}

TEST(UndoFile, OtherFilesNewerVersionsAndDamageAreRefused) {
  const std::string header = R"({"format":"caseloom-undo","version":1,"database":"d"})";
  const std::string entry = R"({"table":"T","field":"F","page":1,"row":2,"old":"a","new":"A"})";
  using Kind = Run::UndoFileError::Kind;
  // The contents, the kind of refusal and what the description names.
  const std::tuple<std::string, Kind, std::string> refused[] = {
      {"hello\nworld\n", Kind::NotUndoFile, ""},
      {R"({"format":"something-else","version":1})"
       "\n",
       Kind::NotUndoFile, ""},
      {R"({"format":"caseloom-undo","version":2})"
       "\n",
       Kind::NewerVersion, "version 2"},
      {R"({"format":"caseloom-undo"})"
       "\n",
       Kind::NoVersion, ""},
      {header + "\n{broken\n" + entry + "\n", Kind::Damaged, "line 2"},
      {header + "\n" +
           R"({"table":"T","field":"F","page":-1,"row":2,"old":"a","new":"A"})"
           "\n",
       Kind::Damaged, "line 2"},
      {header + "\n" +
           R"({"table":"T","field":"F","page":1,"row":256,"old":"a","new":"A"})"
           "\n",
       Kind::Damaged, "line 2"},
      {header + "\n" +
           R"({"table":"T","field":"F","page":1,"row":2,"new":"A"})"
           "\n",
       Kind::Damaged, "line 2"},
  };
  for (const auto& [contents, kind, named] : refused) {
    SCOPED_TRACE(contents);
    updatetest::MemoryFolder folder;
    folder.put(kPath, bytesOf(contents));
    try {
      Run::ReadUndoFile(folder, kPath);
      ADD_FAILURE() << "read as an undo file";
    } catch (const Run::UndoFileError& e) {
      EXPECT_EQ(e.kind(), kind) << e.what();
      EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("'/m/run.undo'"), std::string::npos) << e.what();
    }
  }
  updatetest::MemoryFolder folder;
  folder.put(kPath, bytesOf(header + "\n" + entry + "\n"));
  EXPECT_EQ(Run::ReadUndoFile(folder, kPath).entries.size(), 1u);
  try {
    Run::ReadUndoFile(folder, "/m/missing.undo");
    ADD_FAILURE() << "read a missing file";
  } catch (const engine::Error& e) {
    EXPECT_EQ(e.kind(), engine::ErrorKind::NotFound);
  }
}

}  // namespace
