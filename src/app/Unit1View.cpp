// TForm1: night navigation, the chart's events, the cursor readout and the crosshair.
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>

#include "ChartWidget.h"
#include "Controls.h"
#include "Unit1.h"
#include "common/NumberFormat.h"
#include "view/Navigation.h"

namespace ombrane {

void TForm1::ApplyNavigation(const NavigationOutcome& outcome) {
  const std::pair<QPushButton*, const std::optional<bool>*> states[] = {{First, &outcome.buttons.first},
                                                                        {Previous, &outcome.buttons.previous},
                                                                        {Next, &outcome.buttons.next},
                                                                        {Last, &outcome.buttons.last},
                                                                        {All, &outcome.buttons.all}};
  for (const auto& [button, state] : states)
    if (state->has_value()) button->setEnabled(**state);
  if (outcome.buttons.scrollBar) ScrollBar1->setEnabled(*outcome.buttons.scrollBar);
  if (outcome.showNightText) Label5->show();
  if (outcome.nightText) Label5->setText(QString::fromStdString(*outcome.nightText));
}

void TForm1::FirstClick() {
  Run([this] { NewPicture([this] { ApplyNavigation(ShowFirstNight(*data_, *view_, *chartModel_)); }); });
}

void TForm1::NextClick() {
  Run([this] { NewPicture([this] { ApplyNavigation(ShowNextNight(*data_, *view_, *chartModel_)); }); });
}

void TForm1::PreviousClick() {
  Run([this] { NewPicture([this] { ApplyNavigation(ShowPreviousNight(*data_, *view_, *chartModel_)); }); });
}

void TForm1::LastClick() {
  Run([this] { NewPicture([this] { ApplyNavigation(ShowLastNight(*data_, *view_, *chartModel_)); }); });
}

void TForm1::AllClick() {
  Run([this] { NewPicture([this] { ApplyNavigation(ShowAllNights(*data_, *view_, *chartModel_)); }); });
}

void TForm1::ScrollBar1Change() {
  Run([this] { ApplyNavigation(ApplyMinNightPoints(*view_, ScrollBar1->value())); });
}

void TForm1::Chart1ClickAxis() {
  Run([this] { chartModel_->leftAxisInverted = !chartModel_->leftAxisInverted; }, true);
}

void TForm1::DrawCrosshair(int x, int y) {
  QColor back = Chart1->BackgroundColour();
  if (!back.isValid()) back = QApplication::palette().color(QPalette::Button);
  const uint32_t pen = BgrOf(back) ^ crosshairColour;
  static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                             Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen};
  const Qt::PenStyle style = crosshairStyle < std::size(kStyles) ? kStyles[crosshairStyle] : Qt::SolidLine;
  Chart1->DrawCrosshair(x, y, FromBgr(pen).rgb(), style);
}

void TForm1::UpdateReadout(int x, int y) {
  const char decimal = DecimalSeparator();
  const std::string group = GroupSeparator();
  const std::string xText = FormatAxis(Chart1->XValue(x), decimal, group);
  const std::string yText = FormatAxis(Chart1->YValue(y), decimal, group);
  Label2->setText(
      QStringLiteral("X: %1\nY: %2").arg(QString::fromStdString(xText), QString::fromStdString(yText)));
  Label2->adjustSize();
}

void TForm1::Chart1MouseMove(int x, int y) {
  Run([this, x, y] {
    const int graph = RadioGroup1->itemIndex();
    const int measure = RadioGroup2->itemIndex();
    bool crosshair = false;
    if (graph == 1) {
      BitBtn1->show();
      crosshair = true;
    } else if (graph == 0 || graph == 2 || graph == 3) {
      crosshair = false;
    } else if (measure >= 0 && measure <= 6) {
      BitBtn1->show();
      crosshair = true;
    } else {
      return;  // neither group has an item chosen: no crosshair, no readout
    }
    const bool inside = Chart1->PlotRect().contains(x, y);
    if (crosshair) {
      if (crosshairX != -1) {
        DrawCrosshair(crosshairX, crosshairY);
        crosshairX = -1;
        crosshairY = -1;
      }
      if (!inside) return;
      DrawCrosshair(x, y);
      crosshairX = x;
      crosshairY = y;
    } else if (!inside) {
      return;
    }
    UpdateReadout(x, y);
  });
}

void TForm1::Chart1AfterDraw() {
  // A repaint has wiped the crosshair: there is nothing to erase.
  crosshairX = -1;
  crosshairY = -1;
}

void TForm1::BitBtn1Click() {
  Run([this] {
    if (const auto colour = outside_->ChooseColour(this, FromBgr(crosshairColour)))
      crosshairColour = BgrOf(*colour);
  });
}

}  // namespace ombrane
