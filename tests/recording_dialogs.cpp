#include "tests/recording_dialogs.h"

namespace zantovel {

namespace test {

std::vector<RecordedBox>& RecordedBoxes() {
  static std::vector<RecordedBox> boxes;
  return boxes;
}

std::vector<std::string>& FolderDialogStarts() {
  static std::vector<std::string> starts;
  return starts;
}

std::deque<std::string>& FolderDialogAnswers() {
  static std::deque<std::string> answers;
  return answers;
}

std::deque<bool>& QuestionAnswers() {
  static std::deque<bool> answers;
  return answers;
}

}  // namespace test

Answer AskYesNo(const std::string& text, const std::string& caption) {
  test::RecordedBoxes().push_back({text, MsgIcon::Information, caption});
  auto& answers = test::QuestionAnswers();
  if (answers.empty()) return Answer::No;
  const bool answer = answers.front();
  answers.pop_front();
  return answer ? Answer::Yes : Answer::No;
}

void WithdrawQuestion() {}

void MsgBox(const std::string& text, MsgIcon icon, const std::string& caption,
            const std::string& /*linked*/) {
  test::RecordedBoxes().push_back({text, icon, caption});
}

std::string ChooseFolder(WindowHandle /*owner*/, const std::string& /*title*/,
                         const std::string& start) {
  test::FolderDialogStarts().push_back(start);
  auto& answers = test::FolderDialogAnswers();
  if (answers.empty()) return {};
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace zantovel
