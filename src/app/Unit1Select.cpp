// TForm1: what a click on a chart point does (point, area and night selection, the two-click
// measurements), the switch between the two groups (BitBtn2), deleting a run of points (Delete),
// a night's brightness shift (Button10 "Bright") and the magnitude steps (Button5 "+",
// Button6 "-", the step box Edit7).
#include "Controls.h"
#include "Unit1.h"

namespace ombrane {

void TForm1::Chart1ClickSeries(int /*series*/, int /*index*/, int /*x*/, int /*y*/) {}

void TForm1::BitBtn2Click() {}

void TForm1::DeleteClick() {}

void TForm1::Button10Click() {}

void TForm1::Button5Click() {}

void TForm1::Button6Click() {}

void TForm1::Edit7Change() {
  Run([this] { star_->magnitudeStep = BoxNumber(Edit7); });
}

}  // namespace ombrane
