#pragma once

#include <QString>
#include <vector>

#include "chart/chart_export.h"

class QPrinter;

namespace tarvik {

class ChartControl;
class DataBuffer;
class FrmChart1;
class UserDialogs;

/// The chart window's "Print": lets the user edit the data set's comment, then prints one
/// landscape page as `setup` (the program-wide printer set-up that Print Setup edits) says: a
/// heading with the brand name and the download date, the comment when there is one, the
/// read-out lines as the window shows them (the marker's values, cursor B, B - A and a compared
/// pass's values), and the chart as it is shown below them. The texts are placed as a saved
/// picture places them, so that none runs over another. The page is printed on a printer object
/// of its own, so `setup` is never changed and stays usable whatever happens to the print. A page
/// for a file replaces that file only when it is complete. Each step runs under the error trap;
/// the page itself is one step, so Retry after a printer error prints the whole page afresh. The
/// edited comment stays even when the printing fails.
void printChart(UserDialogs& dialogs, DataBuffer& data, ChartControl& chart,
                const std::vector<ReadOutLine>& readOut, const QPrinter& setup,
                const QString& brandName);

/// The same for the chart window, with its read-out lines.
void printChart(UserDialogs& dialogs, DataBuffer& data, FrmChart1& window, const QPrinter& setup,
                const QString& brandName);

}  // namespace tarvik
