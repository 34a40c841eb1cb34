#pragma once

#include <QString>

namespace tarvik {

class DataBuffer;
class UserDialogs;

/// The comment prompt shared by Edit > Comment and the chart's Print button.
inline const QString kCommentPrompt =
    QStringLiteral("Enter or edit comment. Cancel will erase any comment.");
inline const QString kCommentTitle = QStringLiteral("Optional Information Entry/Edit");

/// Asks for the data set's comment with the current one as the default text. The answer becomes
/// the comment; Cancel answers "" and so erases it. Works whether or not a data set is loaded.
void editComment(UserDialogs& dialogs, DataBuffer& data);

/// "Edit > Comment": editComment() under the error trap.
void runEditComment(UserDialogs& dialogs, DataBuffer& data);

}  // namespace tarvik
