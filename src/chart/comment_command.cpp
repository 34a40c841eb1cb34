#include "chart/comment_command.h"

#include "core/error_trap.h"
#include "core/user_dialogs.h"
#include "logdata/data_buffer.h"

namespace tarvik {

void editComment(UserDialogs& dialogs, DataBuffer& data) {
    data.comment = dialogs.inputBox(kCommentPrompt, kCommentTitle, data.comment);
}

void runEditComment(UserDialogs& dialogs, DataBuffer& data) {
    ErrorTrap trap(dialogs);
    trap.run([&] { editComment(dialogs, data); });
}

}  // namespace tarvik
