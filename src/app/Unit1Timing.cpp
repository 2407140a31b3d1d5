// TForm1: the time of minimum (sincos), the heliocentric correction's coordinate boxes and the
// star catalogue lookup (Button11 "Name", the name boxes Edit10 and Edit13).
#include "Controls.h"
#include "Unit1.h"

namespace ombrane {

void TForm1::sincosClick() {}

void TForm1::Button11Click() {}

void TForm1::Edit10Change() {
  Run([this] { star_->starName = Edit10->text().toStdString(); });
}

void TForm1::Edit13Change() {
  Run([this] { star_->constellation = Edit13->text().toStdString(); });
}

void TForm1::Edit11Change() {
  Run([this] { star_->raHours = BoxNumber(Edit11); });
}

void TForm1::Edit14Change() {
  Run([this] { star_->raMinutes = BoxNumber(Edit14); });
}

void TForm1::Edit16Change() {
  Run([this] { star_->raSeconds = BoxNumber(Edit16); });
}

void TForm1::Edit12Change() {
  Run([this] { star_->decDegrees = BoxNumber(Edit12); });
}

void TForm1::Edit15Change() {
  Run([this] { star_->decArcMinutes = BoxNumber(Edit15); });
}

void TForm1::Edit17Change() {
  Run([this] { star_->decArcSeconds = BoxNumber(Edit17); });
}

}  // namespace ombrane
