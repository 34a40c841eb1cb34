#pragma once

#include <QString>

class QPrinter;

namespace tarvik {

class ChartControl;
class DataBuffer;
class UserDialogs;

/// The chart window's "Print": lets the user edit the data set's comment, then prints one
/// landscape page as `setup` (the program-wide printer set-up that Print Setup edits) says: a
/// heading with the brand name and the download date, the comment when there is one, and the
/// chart as it is shown. The page is printed on a printer object of its own, so `setup` is
/// never changed and stays usable whatever happens to the print. A page for a file replaces
/// that file only when it is complete. Each step runs under the error trap; the page itself is
/// one step, so Retry after a printer error prints the whole page afresh. The edited comment
/// stays even when the printing fails.
void printChart(UserDialogs& dialogs, DataBuffer& data, ChartControl& chart, const QPrinter& setup,
                const QString& brandName);

}  // namespace tarvik
