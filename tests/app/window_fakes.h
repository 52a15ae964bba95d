#pragma once

#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/error_report.h"
#include "platform/message_box.h"

namespace velmorra::testing {

// Everything the window does, in order, as one line per effect.
using TEventLog = std::vector<std::string>;

class TRecordingMessages : public IMessageBoxes {
 public:
  explicit TRecordingMessages(TEventLog& log) : log_(log) {}
  void ShowMessage(TMessageBoxKind kind, const std::string& text) override {
    log_.push_back(std::string(kind == TMessageBoxKind::Error ? "Error: " : "Warning: ") + text);
  }

 private:
  TEventLog& log_;
};

class TRecordingErrorDialog : public IErrorDialog {
 public:
  explicit TRecordingErrorDialog(TEventLog& log) : log_(log) {}
  TErrorChoice ShowError(const std::string& message) override {
    log_.push_back("Error report: " + message);
    return Choice;
  }
  TErrorChoice Choice = TErrorChoice::Continue;

 private:
  TEventLog& log_;
};

class TMemoryReportFile : public IReportFile {
 public:
  std::string LocalTimeText() override { return "2024-05-01 12:30:00"; }
  void Append(const std::string& file_name, const std::string& text) override {
    Files[file_name] += text;
  }
  std::map<std::string, std::string> Files;
};

// An open dialog that answers from a queue: a file name confirms, nothing cancels.
class TScriptedOpenDialog : public IOpenDialog {
 public:
  explicit TScriptedOpenDialog(TEventLog& log) : log_(log) {}
  bool Execute() override {
    log_.push_back("od.Execute");
    if (Answers.empty())
      throw std::logic_error("the open dialog was not expected");
    std::string answer = Answers.front();
    Answers.pop_front();
    if (answer.empty())
      return false;
    file_name_ = answer;
    return true;
  }
  std::string FileName() const override { return file_name_; }
  std::deque<std::string> Answers;  // "" cancels

 private:
  TEventLog& log_;
  std::string file_name_;
};

}  // namespace velmorra::testing
