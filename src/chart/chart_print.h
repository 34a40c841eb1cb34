#pragma once

#include <QString>

class QPrinter;

namespace tarvik {

class ChartControl;
class DataBuffer;
class UserDialogs;

/// The chart window's "Print": lets the user edit the data set's comment, then prints one
/// landscape page on `printer` (the program-wide printer that Print Setup chooses): a heading
/// with the brand name and the download date, the comment when there is one, and the chart as
/// it is shown. Each step runs under the error trap; the page itself is one step, so Retry
/// after a printer error prints the whole page afresh. The edited comment stays even when the
/// printing fails.
void printChart(UserDialogs& dialogs, DataBuffer& data, ChartControl& chart, QPrinter& printer,
                const QString& brandName);

}  // namespace tarvik
