#include "ui/unit1.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "raster/raster_canvas.h"
#include "ui/application.h"
#include "ui/fit_to_font.h"
#include "ui/window_fonts.h"

namespace pelmora {

TForm1* Form1 = nullptr;

namespace {

// Fourteen blanks before the application title.
const QString kWindowCaption = QString(14, u' ') + QString::fromUtf8(kApplicationTitle);

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

template <typename W>
W* Placed(W* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

QLabel* MakeLabel(const char* name, const QString& caption, QWidget* parent, int left, int top) {
  auto* label = Named(new QLabel(caption, parent), name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QCheckBox* MakeCheckBox(const char* name, const QString& caption, bool checked, QWidget* parent,
                        int left, int top) {
  auto* box = Named(new QCheckBox(caption, parent), name);
  box->setChecked(checked);
  box->move(left, top);
  box->adjustSize();
  return box;
}

QRadioButton* MakeRadioButton(const char* name, const QString& caption, bool checked,
                              QWidget* parent, int left, int top) {
  auto* button = Named(new QRadioButton(caption, parent), name);
  button->setChecked(checked);
  button->move(left, top);
  button->adjustSize();
  return button;
}

SpinEdit* MakeSpinEdit(const char* name, int32_t minValue, int32_t maxValue, int32_t value,
                       QWidget* parent, int left, int top, int width, int height) {
  return Placed(Named(new SpinEdit(minValue, maxValue, value, parent), name), left, top, width,
                height);
}

QGroupBox* MakeGroupBox(const char* name, const QString& caption, QWidget* parent, int left,
                        int top, int width, int height) {
  return Placed(Named(new QGroupBox(caption, parent), name), left, top, width, height);
}

// A settings panel of the side stack, 196 pixels wide, at the bottom of the stack.
SettingsPanel* AddSettingsPanel(QVBoxLayout* stack, const char* name, const QString& caption,
                                int height) {
  auto* panel = Named(
      new SettingsPanel(caption, SettingsPanel::Kind::kCollapsible, height, stack->parentWidget()),
      name);
  panel->setFixedWidth(196);
  stack->addWidget(panel, 0, Qt::AlignLeft);
  return panel;
}

}  // namespace

TForm1::TForm1(GeneratorState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs) {
  Form1 = this;
  BuildComponents();
  WireEvents();
  FormCreate(this);
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::BuildComponents() {
  QHBoxLayout* frameLayout = BuildFrame();
  QVBoxLayout* stack = BuildSideChannel(frameLayout);
  suiPanel1 = AddSettingsPanel(stack, "suiPanel1", QStringLiteral("World Settings"), 130);
  BuildWorldSettings(suiPanel1->Client());
  suiPanel2 = AddSettingsPanel(stack, "suiPanel2", QStringLiteral("Generator Settings"), 428);
  BuildGeneratorSettings(suiPanel2->Client());
  suiPanel4 = AddSettingsPanel(stack, "suiPanel4", QStringLiteral("Draw Settings"), 320);
  BuildDrawSettings(suiPanel4->Client());
  // Advanced Options: hidden until the shortcut shows it.
  suiPanel5 = AddSettingsPanel(stack, "suiPanel5", QStringLiteral("Advanced Options"), 88);
  BuildAdvancedOptions(suiPanel5->Client());
  suiPanel5->hide();
  stack->addStretch(1);
  FitToFont();
  BuildDrawingArea(frameLayout);
  SetToolTips();
}

QHBoxLayout* TForm1::BuildFrame() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kWindowCaption);
  // No frame of the system's: suiForm1 draws the title bar, its buttons and the edges.
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setFont(WindowFont());
  resize(844, 648);
  setMinimumSize(125, 50);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  setProperty(kKeyPreview, true);
  suiBuiltInFileTheme1 = style();

  auto* formLayout = new QVBoxLayout(this);
  formLayout->setContentsMargins(0, 0, 0, 0);
  suiForm1 = Named(new WindowFrame(this), "suiForm1");
  formLayout->addWidget(suiForm1);
  auto* frameLayout = new QHBoxLayout(suiForm1);
  frameLayout->setContentsMargins(0, WindowFrame::kCaptionStripHeight, 0, 0);
  frameLayout->setSpacing(0);
  return frameLayout;
}

QVBoxLayout* TForm1::BuildSideChannel(QHBoxLayout* frameLayout) {
  // The side channel, docked at the left: the settings stack in a scroll box.
  suiSideChannel1 =
      Named(new SideChannel(QStringLiteral("Create Dataset"), 233, suiForm1), "suiSideChannel1");
  suiSideChannel1->setFont(SideChannelFont());
  frameLayout->addWidget(suiSideChannel1);
  ScrollBox1 = Named(new QScrollArea(suiSideChannel1), "ScrollBox1");
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ScrollBox1->setWidgetResizable(true);
  // A dark thumb on a light groove, plain to see.
  QPalette thumb = ScrollBox1->verticalScrollBar()->palette();
  thumb.setColor(QPalette::Button, QColor(0x80, 0x80, 0x80));
  thumb.setColor(QPalette::Window, QColor(0xE8, 0xE8, 0xE8));
  ScrollBox1->verticalScrollBar()->setPalette(thumb);
  // Not a stop of the focus itself; it scrolls a focused control into view.
  ScrollBox1->setFocusPolicy(Qt::NoFocus);
  suiSideChannel1->SetFill(ScrollBox1);
  // The stack lives in the scroll box from the start, so its labels are measured in its font.
  auto* stack = new QWidget;
  ScrollBox1->setWidget(stack);
  auto* stackLayout = new QVBoxLayout(stack);
  stackLayout->setContentsMargins(0, 0, 0, 0);
  stackLayout->setSpacing(0);
  return stackLayout;
}

void TForm1::BuildWorldSettings(QWidget* p1) {
  rgDimension = Placed(
      Named(
          new RadioGroup(QStringLiteral("Dimension"),
                         {QStringLiteral("1D"), QStringLiteral("2D"), QStringLiteral("3D")}, 2, p1),
          "rgDimension"),
      8, 24, 73, 97);
  suiGroupBox1 = MakeGroupBox("suiGroupBox1", QStringLiteral("World Size"), p1, 88, 24, 105, 97);
  Label1 = MakeLabel("Label1", QStringLiteral("X:"), suiGroupBox1, 8, 24);
  spWorldX = MakeSpinEdit("spWorldX", 1, 100000, 700, suiGroupBox1, 24, 20, 73, 19);
  Label2 = MakeLabel("Label2", QStringLiteral("Y:"), suiGroupBox1, 8, 48);
  spWorldY = MakeSpinEdit("spWorldY", 1, 100000, 700, suiGroupBox1, 24, 45, 73, 19);
  Label3 = MakeLabel("Label3", QStringLiteral("Z:"), suiGroupBox1, 8, 72);
  spWorldZ = MakeSpinEdit("spWorldZ", 1, 100000, 50, suiGroupBox1, 24, 70, 73, 19);
}

void TForm1::BuildGeneratorSettings(QWidget* p2) {
  // Generator Settings. The stored maximum of spBoxes is 1000 and that of spSeed 100000;
  // FormCreate sets both.
  Label4 = MakeLabel("Label4", QStringLiteral("Boxes to create:"), p2, 16, 32);
  spBoxes = MakeSpinEdit("spBoxes", 1, 1000, 200, p2, 104, 28, 57, 19);
  suiGroupBox2 = MakeGroupBox("suiGroupBox2", QStringLiteral("High ranges for the box size"), p2, 8,
                              56, 185, 105);
  Label6 = MakeLabel("Label6", QStringLiteral("X:"), suiGroupBox2, 16, 18);
  Label7 = MakeLabel("Label7", QStringLiteral("Y:"), suiGroupBox2, 72, 18);
  Label8 = MakeLabel("Label8", QStringLiteral("Z:"), suiGroupBox2, 128, 18);
  // 56 wide rather than 57, so that they do not overlap by a pixel.
  spHighX = MakeSpinEdit("spHighX", 1, 100000, 20, suiGroupBox2, 8, 36, 56, 19);
  spHighY = MakeSpinEdit("spHighY", 1, 100000, 20, suiGroupBox2, 64, 36, 56, 19);
  spHighZ = MakeSpinEdit("spHighZ", 1, 100000, 20, suiGroupBox2, 120, 36, 56, 19);
  cbBoxSize = MakeCheckBox("cbBoxSize", QStringLiteral("Variable size of Boxes"), false,
                           suiGroupBox2, 24, 61);
  cbVarBoxSize =
      MakeCheckBox("cbVarBoxSize", QStringLiteral("Non-zero boxes"), true, suiGroupBox2, 24, 81);
  cbVarBoxSize->setEnabled(false);

  suiGroupBox3 = MakeGroupBox("suiGroupBox3", QStringLiteral("Distribution"), p2, 8, 168, 185, 113);
  Label9 = MakeLabel("Label9", QStringLiteral("Type:"), suiGroupBox3, 24, 27);
  rbDist = Placed(Named(new ComboBox(suiGroupBox3), "rbDist"), 64, 24, 105, 21);
  rbDist->addItems({QStringLiteral("Uniform"), QStringLiteral("Gauss"), QStringLiteral("Skewed")});
  rbDist->setCurrentIndex(0);
  // The mean and sigma rows and the exponent group share one place; one set shows at a time.
  Label10 = MakeLabel("Label10", QStringLiteral("Mean:"), suiGroupBox3, 64, 56);
  edMean = Placed(Named(new NumberEdit(350.0L, suiGroupBox3), "edMean"), 104, 54, 65, 19);
  Label11 = MakeLabel("Label11", QStringLiteral("Sigma:"), suiGroupBox3, 64, 80);
  edSigma = Placed(Named(new NumberEdit(100.0L, suiGroupBox3), "edSigma"), 104, 78, 65, 19);
  rgExponent = Placed(
      Named(new RadioGroup(QStringLiteral("Exponent"),
                           {QStringLiteral("p = 1 (Zipf)"), QStringLiteral("p = 2 (Skewed)")}, 0,
                           suiGroupBox3),
            "rgExponent"),
      48, 46, 121, 59);
  for (QWidget* hidden : {static_cast<QWidget*>(Label10), static_cast<QWidget*>(Label11),
                          static_cast<QWidget*>(edMean), static_cast<QWidget*>(edSigma),
                          static_cast<QWidget*>(rgExponent)}) {
    hidden->hide();
  }

  Button1 = Placed(Named(new QPushButton(QStringLiteral("Create Dataset"), p2), "Button1"), 8, 288,
                   185, 33);
  suiCheckGroup1 =
      MakeGroupBox("suiCheckGroup1", QStringLiteral("Seed (1..65535)"), p2, 8, 328, 185, 65);
  // Made in reading order, which is the order of the focus.
  rbSeedConstant =
      MakeRadioButton("rbSeedConstant", QStringLiteral("Constant"), false, suiCheckGroup1, 16, 16);
  spSeed = MakeSpinEdit("spSeed", 1, 100000, 1, suiCheckGroup1, 96, 17, 73, 19);
  rbSeedRandom =
      MakeRadioButton("rbSeedRandom", QStringLiteral("Random"), true, suiCheckGroup1, 16, 40);
  Label12 = MakeLabel("Label12", QStringLiteral("Output filename:"), p2, 8, 403);
  edfName =
      Placed(Named(new QLineEdit(QStringLiteral("Output.txt"), p2), "edfName"), 96, 400, 97, 19);
}

void TForm1::BuildDrawSettings(QWidget* p4) {
  Label5 = Named(new CaptionWithField(QStringLiteral("Percent of boxes to show:"), 15,
                                      QStringLiteral("%"), p4),
                 "Label5");
  Label5->move(8, 35);
  Label5->adjustSize();
  // The field sits in the run of blanks of its label, before the "%" (FitToFont).
  spPercent = MakeSpinEdit("spPercent", 1, 100, 100, p4, 136, 32, 41, 19);
  suiGroupBox4 = MakeGroupBox("suiGroupBox4", QStringLiteral("Grid Lines"), p4, 11, 56, 177, 129);
  cbShowGrid =
      MakeCheckBox("cbShowGrid", QStringLiteral("Show Grid Lines"), true, suiGroupBox4, 24, 18);
  rgGridStyle = Placed(Named(new RadioGroup(QStringLiteral("Style"),
                                            {QStringLiteral("Dash"), QStringLiteral("Dot"),
                                             QStringLiteral("DashDot")},
                                            1, suiGroupBox4),
                             "rgGridStyle"),
                       8, 40, 75, 81);
  suiGroupBox5 =
      MakeGroupBox("suiGroupBox5", QStringLiteral("Number"), suiGroupBox4, 88, 40, 81, 81);
  spGridLines = MakeSpinEdit("spGridLines", 5, 100, 10, suiGroupBox5, 20, 36, 41, 19);
  suiGroupBox6 =
      MakeGroupBox("suiGroupBox6", QStringLiteral("Boxes Drawing Options"), p4, 11, 192, 177, 121);
  cbColouredBoxes =
      MakeCheckBox("cbColouredBoxes", QStringLiteral("Coloured Boxes"), true, suiGroupBox6, 24, 18);
  rgBoxColour = Placed(
      Named(new RadioGroup(QStringLiteral("Colour"),
                           {QStringLiteral("Constant"), QStringLiteral("Random")}, 0, suiGroupBox6),
            "rgBoxColour"),
      8, 40, 161, 73);
  // Lies over the right-hand part of the colour group.
  suiButton1 =
      Placed(Named(new QPushButton(QStringLiteral("Choose..."), suiGroupBox6), "suiButton1"), 96,
             56, 65, 25);
  cdBoxColour = Named(new ColourDialog(kRed, dialogs_, this), "cdBoxColour");
}

void TForm1::BuildAdvancedOptions(QWidget* p5) {
  cbShow3D =
      MakeCheckBox("cbShow3D", QStringLiteral("Attempt to show 3D world"), false, p5, 16, 32);
  Label13 = MakeLabel("Label13", QStringLiteral("Delta:"), p5, 48, 59);
  spDelta = MakeSpinEdit("spDelta", 0, 0, 1, p5, 88, 56, 81, 19);
}

void TForm1::BuildDrawingArea(QHBoxLayout* frameLayout) {
  // The Drawing Area takes the rest of the window; the paint box fills it below its caption bar.
  Panel2 = Named(
      new SettingsPanel(QStringLiteral("Drawing Area"), SettingsPanel::Kind::kFixed, 0, suiForm1),
      "Panel2");
  frameLayout->addWidget(Panel2, 1);
  PaintBox1 = Named(new PaintBox(Panel2->Client()), "PaintBox1");
  PaintBox1->setFont(PaintBoxFont());
  PaintBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
  SavePicture1 = PopupMenu1->addAction(QStringLiteral("Save Picture..."));
  SavePicture1->setObjectName(QStringLiteral("SavePicture1"));
  SavePicture1->setEnabled(false);  // until a run has boxes to show
  auto* areaLayout = new QVBoxLayout(Panel2->Client());
  areaLayout->setContentsMargins(4, SettingsPanel::kCaptionBarHeight + 3, 4, 4);
  areaLayout->addWidget(PaintBox1);
}

void TForm1::SetToolTips() {
  const std::pair<QWidget*, const char*> tips[] = {
      {rgDimension, "Boxes as intervals (1D), rectangles (2D) or cuboids (3D)"},
      {spWorldX, "Width of the world, in world units: positions run from 0 to this"},
      {spWorldY, "Height of the world, in world units"},
      {spWorldZ, "Depth of the world, in world units (3D only)"},
      {spBoxes, "How many boxes the next run creates"},
      {spHighX, "Size of every box along X, or its largest size with variable sizes"},
      {spHighY, "Size of every box along Y, or its largest size with variable sizes"},
      {spHighZ, "Size of every box along Z, or its largest size with variable sizes"},
      {cbBoxSize, "Each extent of a box drawn at random from 1 to its high range"},
      {cbVarBoxSize, "With variable sizes: no extent of a box is 0"},
      {rbDist, "The law by which box positions are placed in the world"},
      {edMean, "Centre of the Gauss law, in world units"},
      {edSigma, "Spread of the Gauss law, in world units"},
      {rgExponent, "How strongly the skewed law crowds boxes toward the origin"},
      {Button1, "Create the boxes, write them to the output file and draw them"},
      {rbSeedConstant, "Use the seed in the field: the same settings give the same dataset"},
      {spSeed, "The seed of the random numbers; a run with a random seed shows its seed here"},
      {rbSeedRandom, "Take a new seed from the clock for every run"},
      {edfName, "The dataset file each run writes, relative to the folder Pelmora started in"},
      {spPercent, "Share of the boxes drawn, in percent"},
      {cbShowGrid, "Draw labelled grid lines under the boxes"},
      {rgGridStyle, "Line style of the grid lines"},
      {spGridLines, "How many grid lines are drawn along each axis"},
      {cbColouredBoxes, "Fill the boxes with their colour, or draw their outlines only"},
      {rgBoxColour, "One colour for every box, or a random colour for each box at every redraw"},
      {suiButton1, "Choose the colour of the boxes"},
      {cbShow3D, "Draw the boxes in perspective at the next redraw"},
      {spDelta, "The perspective factor: larger values spread the boxes wider"},
      {PaintBox1, "The boxes of the last run; right click to save the picture"},
  };
  for (const auto& [control, tip] : tips) control->setToolTip(tr(tip));
}

void TForm1::FitToFont() {
  // The panels' controls are measured against the panels' widths.
  for (SettingsPanel* panel : {suiPanel1, suiPanel2, suiPanel4, suiPanel5}) {
    panel->Client()->resize(panel->width(), panel->ExpandedHeight());
  }
  // Captions first, then the fields take what room is left at their right.
  KeepClearOf(spWorldX, Label1);
  KeepClearOf(spWorldY, Label2);
  KeepClearOf(spWorldZ, Label3);
  KeepClearOf(spBoxes, Label4);
  KeepClearOf(rbDist, Label9);
  KeepClearOf(edMean, Label10);
  KeepClearOf(edSigma, Label11);
  KeepClearOf(spSeed, rbSeedConstant);
  KeepClearOf(edfName, Label12);
  KeepClearOf(spDelta, Label13);
  FitItems(rgGridStyle, suiGroupBox5);
  const QString box = QString::number(BoxTable::kCapacity);
  for (SpinEdit* field : {spWorldX, spWorldY, spWorldZ, spBoxes}) FitFieldTo(field, box);
  FitRow({spHighX, spHighY, spHighZ}, {Label6, Label7, Label8}, QStringLiteral("99999"));
  FitFieldTo(spSeed, QStringLiteral("65535"));
  FitFieldTo(spGridLines, QStringLiteral("100"));
  // Any 32-bit number: the field has no bounds.
  FitFieldTo(spDelta, QString::number(std::numeric_limits<int32_t>::min()));
  // The percent field is as wide as its value needs, in blanks as wide as the field needs.
  spPercent->move(Label5->x(), spPercent->y());
  FitFieldTo(spPercent, QStringLiteral("100"));
  Label5->PlaceField(spPercent);
  // Where even so the percent caption is wider than its panel, every panel and the side channel
  // grow by as much.
  const int extra = std::max(0, Label5->x() + Label5->width() + 3 - suiPanel4->width());
  if (extra > 0) {
    for (SettingsPanel* panel : {suiPanel1, suiPanel2, suiPanel4, suiPanel5}) {
      panel->setFixedWidth(panel->width() + extra);
      panel->Client()->resize(panel->width(), panel->ExpandedHeight());
    }
    suiSideChannel1->SetOpenWidth(suiSideChannel1->OpenWidth() + extra);
  }
  for (SettingsPanel* panel : {suiPanel1, suiPanel2, suiPanel4, suiPanel5}) {
    MakeRoomForTitles(panel);
  }
}

template <typename Sender, typename Signal>
void TForm1::Wire(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*)) {
  connect(sender, signal, this,
          [this, sender, handler] { RunHandler([&] { (this->*handler)(sender); }); });
}

void TForm1::WireEvents() {
  // FormCreate runs at the end of construction; FormKeyDown through the key preview.
  Wire(PaintBox1, &PaintBox::Paint, &TForm1::PaintBox1Paint);
  Wire(Button1, &QPushButton::clicked, &TForm1::Button1Click);
  Wire(rbDist, &QComboBox::activated, &TForm1::rbDistChange);
  Wire(cbBoxSize, &QCheckBox::clicked, &TForm1::cbBoxSizeClick);
  Wire(spPercent, &SpinEdit::Change, &TForm1::cbShowGridClick);
  Wire(cbShowGrid, &QCheckBox::clicked, &TForm1::cbShowGridClick);
  Wire(rgGridStyle, &RadioGroup::Click, &TForm1::cbShowGridClick);
  Wire(spGridLines, &SpinEdit::Change, &TForm1::cbShowGridClick);
  Wire(cbColouredBoxes, &QCheckBox::clicked, &TForm1::cbShowGridClick);
  Wire(rgBoxColour, &RadioGroup::Click, &TForm1::cbShowGridClick);
  Wire(suiButton1, &QPushButton::clicked, &TForm1::suiButton1Click);
  Wire(SavePicture1, &QAction::triggered, &TForm1::SavePicture1Click);
  // SavePicture1 is enabled by the run that gives the area boxes to show (Button1Click).
  connect(PaintBox1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& where) { PopupMenu1->popup(PaintBox1->mapToGlobal(where)); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !property(kKeyPreview).toBool()) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* keyEvent = static_cast<QKeyEvent*>(event);
  int key = keyEvent->key();
  RunHandler([&] { FormKeyDown(this, key, keyEvent->modifiers()); });
  return key == 0;
}

void TForm1::FormCreate(QObject* /*sender*/) {
  // The box table holds exactly as many boxes as the field accepts.
  spBoxes->SetMaxValue(BoxTable::kCapacity);
  spSeed->SetMaxValue(65535);
  suiCheckGroup1->setTitle(QStringLiteral("Seed (1..") + QString::number(65535) +
                           QStringLiteral(")"));
  // Double buffering needs no step: Qt paints every widget of Form1, suiPanel1 and Panel2
  // included, into the window's backing store and shows it in one step.
  suiPanel4->Collapse();
  suiPanel5->Collapse();
}

void TForm1::FormKeyDown(QObject* /*sender*/, int& key, Qt::KeyboardModifiers shift) {
  // Only Ctrl is tested: Shift and Alt may be held as well. The key goes on to the control.
  if (shift.testFlag(Qt::ControlModifier) && key == kAdvancedOptionsKey) suiPanel5->show();
}

void TForm1::PaintBox1Paint(QObject* /*sender*/) {
  if (state_.sceneSettings.boxCount > 0) DrawSceneOnPaintBox();
}

void TForm1::Button1Click(QObject* /*sender*/) {
  RunResult result;
  const GeneratorControls controls = ReadGeneratorControls();
  runCursor_.Run(controls.spBoxes.value >= kManyBoxes,
                 [&] { result = GenerateDataset(controls, state_); });
  switch (result.end) {
    case RunEnd::kRefused:
      dialogs_.ShowMessage(QString::fromStdString(result.message));
      return;
    case RunEnd::kFailed:
      throw std::runtime_error(result.message);
    case RunEnd::kCompleted:
      break;
  }
  if (result.seedForField) spSeed->SetValue(*result.seedForField);
  SavePicture1->setEnabled(state_.sceneSettings.boxCount > 0);
  // Drawn by a direct call, whatever the box count, and put on screen as drawn: a paint request
  // would draw again, with new random colours and rows.
  DrawSceneOnPaintBox();
  PaintBox1->ShowPicture();
}

void TForm1::rbDistChange(QObject* /*sender*/) {
  const int item = rbDist->currentIndex();
  if (item < 0 || item > 2) return;
  const bool gauss = item == 1;
  Label10->setVisible(gauss);
  Label11->setVisible(gauss);
  edMean->setVisible(gauss);
  edSigma->setVisible(gauss);
  rgExponent->setVisible(item == 2);
}

void TForm1::cbBoxSizeClick(QObject* /*sender*/) {
  cbVarBoxSize->setEnabled(cbBoxSize->isChecked());
}

void TForm1::cbShowGridClick(QObject* /*sender*/) {
  PaintBox1->Repaint();
}

void TForm1::suiButton1Click(QObject* sender) {
  if (cdBoxColour->Execute()) cbShowGridClick(sender);
}

GeneratorControls TForm1::ReadGeneratorControls() const {
  auto spinValue = [](const SpinEdit* field) {
    return SpinEditValue{field->Value(), field->MinValue(), field->MaxValue()};
  };
  GeneratorControls c;
  c.spWorldX = spinValue(spWorldX);
  c.spWorldY = spinValue(spWorldY);
  c.spWorldZ = spinValue(spWorldZ);
  c.spBoxes = spinValue(spBoxes);
  c.spHighX = spHighX->Value();
  c.spHighY = spHighY->Value();
  c.spHighZ = spHighZ->Value();
  c.cbBoxSize = cbBoxSize->isChecked();
  c.cbVarBoxSize = cbVarBoxSize->isChecked();
  c.rgDimension = rgDimension->ItemIndex();
  c.rbDist = rbDist->currentIndex();
  c.edMean = edMean->text().toStdString();
  c.edSigma = edSigma->text().toStdString();
  c.rgExponent = rgExponent->ItemIndex();
  c.rbSeedConstant = rbSeedConstant->isChecked();
  c.spSeed = spSeed->Value();
  c.edfName = edfName->text().toStdString();
  c.decimalSeparator = QLocale().decimalPoint().toStdString();
  return c;
}

DrawSettings TForm1::ReadDrawSettings() const {
  DrawSettings s;
  s.cbShowGrid = cbShowGrid->isChecked();
  s.spPercent = spPercent->Value();
  s.spGridLines = spGridLines->Value();
  s.rgGridStyle = rgGridStyle->ItemIndex();
  s.cbColouredBoxes = cbColouredBoxes->isChecked();
  s.rgBoxColour = rgBoxColour->ItemIndex();
  s.boxColour = cdBoxColour->Color();
  s.cbShow3D = cbShow3D->isChecked();
  s.spDelta = spDelta->Value();
  return s;
}

void TForm1::SavePicture1Click(QObject* /*sender*/) {
  // The dataset's name with the picture's extension, as the first suggestion.
  const QString dataset = edfName->text();
  const QString stem = dataset.contains(u'.') ? dataset.section(u'.', 0, -2) : dataset;
  const std::optional<QString> chosen =
      dialogs_.AskPictureFileName((stem.isEmpty() ? QStringLiteral("Pelmora") : stem) + ".png");
  if (!chosen) return;
  const QString error = SavePicture(WithPictureExtension(*chosen), PaintBox1->Picture(),
                                    lastRedraw_, state_.boxTable, state_.sceneSettings);
  if (!error.isEmpty()) dialogs_.ShowMessage(error);
}

void TForm1::DrawSceneOnPaintBox() {
  const DrawSettings settings = ReadDrawSettings();
  lastRedraw_ = RedrawStart{state_.randomSource, settings, PaintBox1->Width(), PaintBox1->Height()};
  redrawCursor_.Run(state_.sceneSettings.boxCount >= kManyBoxes, [&] {
    RasterCanvas canvas(PaintBox1->NewPicture(), PaintBox1->font());
    cdBoxColour->SetColor(DrawScene(canvas, PaintBox1->Width(), PaintBox1->Height(), settings,
                                    state_.boxTable, state_.sceneSettings, state_.randomSource));
  });
}

}  // namespace pelmora
