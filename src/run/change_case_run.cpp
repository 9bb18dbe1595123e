#include "run/change_case_run.h"

#include "ado/constants.h"
#include "ado/factory.h"
#include "ado/sql.h"
#include "app/main/error_report.h"
#include "app/main/message_box.h"
#include "app/main/trap.h"
#include "case/case.h"
#include "db/access.h"
#include "run/value_filter.h"

namespace Run {
namespace {

using Case::CaseMode;

// The labels of one mode branch: its test of the case list, the two filter
// tests and the UPDATE.
struct BranchLabels {
  CaseMode mode;
  int modeTest;
  int firstTest;
  int secondTest;
  int update;
};

constexpr BranchLabels kBranches[] = {
    {CaseMode::Upper, 134, 136, 138, 144},  {CaseMode::Lower, 146, 148, 150, 156},
    {CaseMode::Proper, 158, 160, 162, 168}, {CaseMode::Sentence, 170, 172, 174, 180},
    {CaseMode::Names, 212, 214, 216, 218},
};

constexpr long kPauseEvery = 5000;

std::u16string UpdateText(const std::u16string& table, const std::u16string& field,
                          const std::u16string& newValue, const std::u16string& oldValue) {
  const std::u16string quotedNew = ado::sql::QuoteLiteral(newValue);
  const std::u16string quotedOld = ado::sql::QuoteLiteral(oldValue);
  std::u16string statement;
  // One allocation: a memo's statement is as long as the memo twice over.
  statement.reserve(32 + table.size() + 2 * field.size() + quotedNew.size() + quotedOld.size());
  statement.append(u"update [").append(table).append(u"] set [").append(field).append(u"]=");
  statement.append(quotedNew).append(u" where [").append(field).append(u"]=").append(quotedOld);
  return statement;
}

class ChangeCaseRun {
 public:
  ChangeCaseRun(const ChangeCaseRequest& request, RunView& view,
                const Access::DatabaseWindow& boxes)
      : request_(request),
        options_(request.options),
        view_(view),
        boxes_(boxes),
        pauseEnvironment_(options_.pauseEnvironment ? *options_.pauseEnvironment
                                                    : SystemPauseEnvironment()) {}

  RunSummary run() {
    try {
      body();
    } catch (const std::bad_alloc&) {
      // Out of memory: the run ends at once, keeping what it changed.
      recordset_.reset();
      summary_.outOfMemory = true;
      Main::ShowApplicationError(boxes_.messageBoxes(),
                                 QString::fromStdString(ado::Error::outOfMemory().description()),
                                 trap_.location(), updateLabel_ != 0 ? updateLabel_ : 124);
      closeAfterFailure();
    }
    summary_.failures = trap_.reports() + summary_.outOfMemory;
    if (connection_) summary_.converted = connection_->RecordsSaved();
    return summary_;
  }

 private:
  void body() {
    step(100, [&] { connection_ = boxes_.adoFactory().CreateConnection("ADODB.Connection"); });
    step(102, [&] { recordset_ = boxes_.adoFactory().CreateRecordset("ADODB.RecordSet"); });
    // Without them nothing can be done; their failure was reported.
    if (!connection_ || !recordset_) ended_ = true;
    if (trap_.when(104, [&] { return request_.noFieldListed; })) {
      trap_(210, [&] {
        Main::ShowMessageBox(boxes_.messageBoxes(),
                             {.title = {},
                              .text = QStringLiteral("Please select a field."),
                              .icon = Main::MessageIcon::None,
                              .buttons = Main::MessageButtons::Ok});
      });
      return;
    }
    trap_(106, [&] { view_.setPointer(Access::kPointerHourglass); });
    if (!ended_)
      step(108, [&] {
        connection_->SetMode(ado::adModeReadWrite);
        connection_->SetWriteObserver(options_.writeObserver);
        if (options_.folder) connection_->SetFolder(options_.folder);
      });
    if (!ended_) step(110, [&] { connection_->Open(Access::AccessConnectionString(boxes_)); });
    for (const std::u16string& field : request_.fields) {
      if (summary_.stopped || ended_) {
        ++summary_.fieldsLeft;
        summary_.fields.push_back({field, 0, 0});
        continue;
      }
      changeField(field);
    }
    if (ended_)
      closeAfterFailure();
    else
      step(194, [&] { connection_->Close(); });
    takeLostWrites();
    trap_(196, [&] { pause(0.4); });
    trap_(200, [&] { view_.setPointer(Access::kPointerDefault); });
    trap_(198, [&] {
      view_.setProgressValue(0);
      view_.setProgressCaption(u"Progress Bar");
    });
    trap_(202, [&] { view_.serveEvents(); });
    trap_(204, [&] { view_.refreshPreview(); });
  }

  void changeField(const std::u16string& field) {
    std::u16string table;
    const bool opened = step(116, [&] {
      if (!request_.table) throw ado::Error::noSelectedItem("table list");
      table = *request_.table;
      recordset_->Open(u"SELECT `" + field + u"` FROM `" + table + u"`", *connection_,
                       ado::adOpenStatic, ado::adLockReadOnly);
    });
    FieldWalk& walk = summary_.fields.emplace_back(FieldWalk{field, 0, 0});
    // A field whose records cannot be read is reported once; the run goes on
    // with the next field.
    if (!opened) return;
    long last = -1;
    if (step(124, [&] { last = recordset_->RecordCount() - 1; }) &&
        test(126, [&] { return !recordset_->Eof(); })) {
      walk.records = last + 1;
      for (long j = 0; j <= last; ++j) {
        if (view_.stopRequested()) {
          summary_.stopped = true;
          summary_.recordsLeft = last + 1 - j;
          break;
        }
        trap_(130, [&] { view_.serveEvents(); });
        trap_(132, [&] {
          view_.setProgressValue(static_cast<double>(j + 1) / static_cast<double>(last + 1) *
                                 100.0);
        });
        ++walk.walked;
        if (!changeRecord(table, field)) ++walk.failed;
        if (ended_) {
          summary_.recordsLeft = last - j;
          break;
        }
        if (j % kPauseEvery == 0) trap_(184, [&] { pause(1.0); });
        if (!step(186, [&] { recordset_->MoveNext(); })) {
          if (ended_) summary_.recordsLeft = last - j;
          break;
        }
      }
    }
    step(190, [&] { recordset_->Close(); });
  }

  // False when the record's UPDATE failed.
  bool changeRecord(const std::u16string& table, const std::u16string& field) {
    for (const BranchLabels& branch : kBranches) {
      if (!trap_.when(branch.modeTest, [&] { return request_.mode == branch.mode; })) continue;
      ado::Value value;
      bool qualifies = false;
      // A test that cannot be made is reported and the record left alone:
      // no write without a passed test.
      step(branch.firstTest, [&] {
        value = recordset_->ValueAt(0);
        const ado::Field& column = recordset_->FieldAt(0);
        const std::optional<LeftAlone> reason = filter_.whyLeftAlone(value, column.Type());
        if (options_.walkObserver) options_.walkObserver->judged(column.Name(), reason);
        qualifies = ValueFilter::passesFirstTest(reason);
      });
      if (!qualifies) return true;
      qualifies = false;
      step(branch.secondTest, [&] { qualifies = PassesSecondTest(value); });
      if (!qualifies) return true;
      updateLabel_ = branch.update;
      const bool written = step(branch.update, [&] {
        const ado::Text old = Access::ValueText(Access::NullToDefault(value, ado::Text()));
        const ado::Text converted = Case::Convert(branch.mode, old, options_.nameExceptions);
        connection_->Execute(UpdateText(table, field, converted, old));
      });
      takeLostWrites();
      return written;
    }
    return true;
  }

  // Runs one labelled statement in the trap; a failure of the file itself
  // ends the run.
  template <class Statement>
  bool step(int label, Statement&& statement) {
    if (trap_(label, std::forward<Statement>(statement))) return true;
    noteFailure();
    return false;
  }

  // The condition of an If, as the trap evaluates it.
  template <class Condition>
  bool test(int label, Condition&& condition) {
    const int reports = trap_.reports();
    const bool result = trap_.when(label, std::forward<Condition>(condition));
    if (trap_.reports() != reports) noteFailure();
    return result;
  }

  // Looks at the failure just reported: one of the file itself ends the run.
  void noteFailure() {
    if (summary_.endedBy) return;
    try {
      std::rethrow_exception(trap_.lastFailure());
    } catch (const ado::Error& e) {
      if (!ado::IsFileFailure(e)) return;
      summary_.endedBy = e;
      ended_ = true;
    } catch (...) {
      // Reported already, and not a failure of the file: the run goes on.
    }
  }

  // Records of earlier UPDATEs that a failed commit undid. The failure that
  // undid them was reported, for the record in hand or by the step that
  // committed; it is a failure of the file, so it ends the run.
  void takeLostWrites() {
    if (!connection_) return;
    for (const auto& lost : connection_->TakeLostWrites()) {
      summary_.undone += lost.records;
      if (!summary_.endedBy) summary_.endedBy = lost.cause;
      ended_ = true;
    }
  }

  // Closes the connection after the run ended early. A failure of the same
  // kind as the one that ended the run is that failure again, and not
  // reported twice.
  void closeAfterFailure() {
    recordset_.reset();
    if (connection_ && connection_->IsOpen()) {
      try {
        connection_->Close();
      } catch (const ado::Error& e) {
        if (!summary_.endedBy || !e.sameKind(*summary_.endedBy)) trap_(194, [&] { throw e; });
      }
    }
    takeLostWrites();
  }

  void pause(double seconds) {
    if (options_.pauses) Pause(seconds, pauseEnvironment_);
  }

  const ChangeCaseRequest& request_;
  const RunOptions& options_;
  RunView& view_;
  const Access::DatabaseWindow& boxes_;
  PauseEnvironment& pauseEnvironment_;
  // The locale is asked for its forms once a run.
  const ValueFilter filter_;
  Main::Trap trap_{"in Casewick2021/08/31.Form2.PushButton4_Click ", boxes_.messageBoxes()};
  std::unique_ptr<ado::Connection> connection_;
  std::unique_ptr<ado::Recordset> recordset_;
  int updateLabel_ = 0;  // of the UPDATEs run so far
  bool ended_ = false;   // by a failure of the file, or without its objects
  RunSummary summary_;
};

}  // namespace

ChangeCaseRequest RequestOf(Access::ChangeCaseLists& lists, std::u16string_view caseListText,
                            RunOptions options) {
  ChangeCaseRequest request{.table = lists.tableList().selectedItemText(),
                            .fields = {},
                            .noFieldListed = lists.fieldList().count() == 0,
                            .mode = Case::SelectCaseMode(caseListText),
                            .options = std::move(options)};
  for (int i = 0; i < lists.fieldList().count(); ++i)
    if (lists.fieldList().isSelected(i)) request.fields.push_back(lists.fieldList().text(i));
  return request;
}

RunSummary ChangeCase(const ChangeCaseRequest& request, RunView& view,
                      const Access::DatabaseWindow& boxes) {
  return ChangeCaseRun(request, view, boxes).run();
}

}  // namespace Run
