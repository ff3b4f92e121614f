#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"

// Stands in for the toolkit's dialogs at link time: message boxes are recorded, and the folder
// dialog answers from a queue.
namespace zantovel::test {

struct RecordedBox {
  std::string text;
  MsgIcon icon;
  std::string caption;
};

std::vector<RecordedBox>& RecordedBoxes();

// The answers questions get, one per call; none left stands for No.
std::deque<bool>& QuestionAnswers();

// The answers the folder dialog gives, one per call; the empty text stands for a cancel.
std::deque<std::string>& FolderDialogAnswers();
// Where each folder dialog was asked to open.
std::vector<std::string>& FolderDialogStarts();

}  // namespace zantovel::test
