// TForm1: the harmonic fits — the Fourier series with an automatic number of harmonics (NJD),
// with a chosen number (Button9 "sin", the harmonics box Edit8) and the sine-plus-cosine fit
// (BitBtn3 "sin+cos").
#include "Controls.h"
#include "Unit1.h"
#include "common/FloatingPoint.h"

namespace ombrane {

void TForm1::NJDClick() {}

void TForm1::Button9Click() {}

void TForm1::BitBtn3Click() {}

void TForm1::Edit8Change() {
  Run([this] { star_->harmonicCount = TruncToInt32(BoxNumber(Edit8)); });
}

}  // namespace ombrane
