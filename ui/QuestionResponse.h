#pragma once

// Answer codes of the question dialogs; exactly the values the worker's
// response fields receive.
namespace QuestionResponse {
enum Code : int {
    None = -1,
    Cancel = 1,
    NextDevice = 2,
    Connect = 3,
    Yes = 4,
    No = 5,
    YesToAll = 6,
    NoToAll = 7,
};
}
