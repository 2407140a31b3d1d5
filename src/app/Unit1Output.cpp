// TForm1: the graph output — printing the chart, saving it as a bitmap or a metafile, copying it
// to the clipboard.
#include "ChartWidget.h"
#include "Unit1.h"

namespace ombrane {

void TForm1::printGraphClick() {}

void TForm1::saveGraph_bmpClick() {}

void TForm1::saveGraph_emfClick() {}

void TForm1::copyGraphClick() {}

}  // namespace ombrane
