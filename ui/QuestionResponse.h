#pragma once

#include "WorkerC.h"

// Answer codes of the question dialogs: the worker's own question result
// codes, under the short names the dialogs use.
namespace QuestionResponse {
constexpr int None = WorkerC::ResultNone;
constexpr int Cancel = WorkerC::ResultCancel;
constexpr int NextDevice = WorkerC::ResultNextDevice;
constexpr int Connect = WorkerC::ResultConnect;
constexpr int Yes = WorkerC::ResultYes;
constexpr int No = WorkerC::ResultNo;
constexpr int YesToAll = WorkerC::ResultYesToAll;
constexpr int NoToAll = WorkerC::ResultNoToAll;
}
