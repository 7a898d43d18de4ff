// The main window driven as a user drives it: start state, reactions, runs and redraws.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLocale>
#include <QPolygon>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "drawing/scene.h"
#include "drawing/svg_canvas.h"
#include "raster/raster_canvas.h"
#include "tests/ui/fake_dialogs.h"
#include "tests/ui/ui_testing.h"
#include "ui/application.h"
#include "ui/unit1.h"
#include "ui/window_fonts.h"

namespace pelmora {

namespace {

// What a control shows: caption, items, value, limits, and its own disabled and hidden states.
QString Describe(QWidget* w) {
  QString d;
  if (auto* spin = qobject_cast<SpinEdit*>(w)) {
    d = QString("%1 [%2..%3]").arg(spin->text()).arg(spin->MinValue()).arg(spin->MaxValue());
  } else if (auto* group = qobject_cast<RadioGroup*>(w)) {
    QStringList items;
    for (int i = 0; i < group->ItemCount(); ++i) items << group->Item(i)->text();
    d = QString("%1: %2 = %3").arg(group->title(), items.join('|')).arg(group->ItemIndex());
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    d = QString("%1 = %2").arg(items.join('|')).arg(combo->currentIndex());
  } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
    d = check->text() + (check->isChecked() ? ": checked" : ": unchecked");
  } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
    d = radio->text() + (radio->isChecked() ? ": checked" : ": unchecked");
  } else if (auto* button = qobject_cast<QPushButton*>(w)) {
    d = button->text();
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    d = edit->text();
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    d = label->text();
  } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
    d = box->title();
  } else if (auto* panel = qobject_cast<SettingsPanel*>(w)) {
    d = panel->Caption();
    if (panel->CaptionButton() != nullptr) {
      d += panel->IsCollapsed() ? QString(": collapsed, %1 when expanded")
                                : QString(": expanded, %1");
      d = d.arg(panel->ExpandedHeight());
    }
  } else if (auto* channel = qobject_cast<SideChannel*>(w)) {
    d = channel->Caption() + (channel->IsOpen() ? ": open" : ": folded") +
        (channel->IsPinned() ? ", pinned" : "");
  }
  if (!w->isEnabled()) d += ", disabled";
  if (w->isHidden()) d += ", hidden";
  return d;
}

// The nearest named container of w.
QString Container(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (!p->objectName().isEmpty() && !p->objectName().startsWith("qt_")) return p->objectName();
  }
  return QString();
}

// What the screen shows of w, taken from the screen without painting anything anew.
QImage OnScreen(QWidget* w) {
  const QPoint at = w->mapTo(w->window(), QPoint(0, 0));
  return w->screen()
      ->grabWindow(w->window()->winId(), at.x(), at.y(), w->width(), w->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

bool AllWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    }
  }
  return true;
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

}  // namespace

class WindowTests : public QObject {
  Q_OBJECT

 public:
  explicit WindowTests(FakeDialogs& dialogs) : dialogs_(dialogs) {}

 private slots:
  void init();
  void cleanup();

  void startState_data();
  void startState();
  void startLayout_data();
  void startLayout();
  void theWindowItself();
  void distributionShowsItsParameters();
  void variableSizeEnablesNonZeroBoxes();
  void runWritesTheBytesOfPelmoraGen_data();
  void runWritesTheBytesOfPelmoraGen();
  void windowShowsThePictureOfPelmoraGen_data();
  void windowShowsThePictureOfPelmoraGen();
  void rangeCheckKeepsTheFileAndThePicture();
  void gridLineCountRedrawsAsTyped();
  void shortcutRevealsAdvancedOptions_data();
  void shortcutRevealsAdvancedOptions();
  void colourDialogConfirmAndCancel();
  void redrawsPerEvent_data();
  void redrawsPerEvent();
  void beforeTheFirstRunTheAreaStaysWhite();
  void failedRunIsShownAndTheWindowGoesOn();
  void stackScrollsWhenTallerThanTheBox();
  void sideChannelFoldsWhenUnpinned();
  void wheelOverTheStackChangesNoSetting();
  void focusFollowsReadingOrder();
  void savePictureWaitsForTheFirstRun();
  void savedPictureIsWhatTheAreaShows();
  void savedSvgColoursAreThoseOnScreen();
  void savedPictureKindFollowsTheName_data();
  void savedPictureKindFollowsTheName();
  void failedSaveChangesNothing_data();
  void failedSaveChangesNothing();

 private:
  TForm1& F() { return *form_; }
  // "name=value": sets the named control as a user would: types into fields, clicks check
  // boxes, radio buttons and items, picks combo box items with the arrow keys.
  void Set(const QString& assignment);
  void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  void ExpandDrawSettings() {
    if (F().suiPanel4->IsCollapsed()) Click(F().suiPanel4->CaptionButton());
  }
  // A completed run with the constant seed, through the button.
  void RunWithSeed(int seed);
  // The scene of the window's last run, drawn directly with settings on the paint box's size;
  // random draws come from a copy of random.
  QImage Reference(const DrawSettings& settings, RandomSource random, Colour* colour = nullptr);

  FakeDialogs& dialogs_;
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<GeneratorState> state_;
  std::unique_ptr<TForm1> form_;
};

void WindowTests::init() {
  dialogs_.Clear();
  QLocale::setDefault(QLocale::c());
  folder_ = std::make_unique<QTemporaryDir>();
  QVERIFY(folder_->isValid());
  QVERIFY(QDir::setCurrent(folder_->path()));
  state_ = std::make_unique<GeneratorState>();
  form_ = std::make_unique<TForm1>(*state_, dialogs_);
  form_->show();
  form_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void WindowTests::cleanup() {
  form_.reset();
  state_.reset();
  QDir::setCurrent(QDir::tempPath());
  folder_.reset();
}

void WindowTests::Set(const QString& assignment) {
  const QString name = assignment.section('=', 0, 0);
  const QString value = assignment.section('=', 1);
  QWidget* w = F().findChild<QWidget*>(name);
  QVERIFY2(w != nullptr, qPrintable(name));
  if (auto* check = qobject_cast<QCheckBox*>(w)) {
    if (check->isChecked() != (value == "1")) ClickItem(check);
  } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
    if (value == "1") ClickItem(radio);
  } else if (auto* group = qobject_cast<RadioGroup*>(w)) {
    ClickItem(group->Item(value.toInt()));
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    combo->setFocus();
    for (int guard = 0; guard < 5 && combo->currentIndex() != value.toInt(); ++guard) {
      QTest::keyClick(combo, combo->currentIndex() < value.toInt() ? Qt::Key_Down : Qt::Key_Up);
    }
  } else {
    TypeOver(w, value);
  }
}

void WindowTests::RunWithSeed(int seed) {
  Set("rbSeedConstant=1");
  Set(QString("spSeed=%1").arg(seed));
  Click(F().Button1);
  QCOMPARE(state_->sceneSettings.lastSeed, seed);
}

QImage WindowTests::Reference(const DrawSettings& settings, RandomSource random, Colour* colour) {
  QImage image(F().PaintBox1->size(), QImage::Format_RGB32);
  RasterCanvas canvas(image, PaintBoxFont());
  const Colour after = DrawScene(canvas, image.width(), image.height(), settings, state_->boxTable,
                                 state_->sceneSettings, random);
  if (colour != nullptr) *colour = after;
  return image;
}

void WindowTests::startState_data() {
  QTest::addColumn<QString>("container");
  QTest::addColumn<QString>("shows");
  const QString blanks(15, ' ');
  const struct {
    const char* name;
    const char* container;
    QString shows;
  } rows[] = {
      {"suiForm1", "Form1", ""},
      {"suiSideChannel1", "suiForm1", "Create Dataset: open, pinned"},
      {"ScrollBox1", "suiSideChannel1", ""},
      {"suiPanel1", "ScrollBox1", "World Settings: expanded, 130"},
      {"rgDimension", "suiPanel1", "Dimension: 1D|2D|3D = 2"},
      {"suiGroupBox1", "suiPanel1", "World Size"},
      {"Label1", "suiGroupBox1", "X:"},
      {"Label2", "suiGroupBox1", "Y:"},
      {"Label3", "suiGroupBox1", "Z:"},
      {"spWorldX", "suiGroupBox1", "700 [1..100000]"},
      {"spWorldY", "suiGroupBox1", "700 [1..100000]"},
      {"spWorldZ", "suiGroupBox1", "50 [1..100000]"},
      {"suiPanel2", "ScrollBox1", "Generator Settings: expanded, 428"},
      {"Label4", "suiPanel2", "Boxes to create:"},
      {"spBoxes", "suiPanel2", "200 [1..100000]"},
      {"suiGroupBox2", "suiPanel2", "High ranges for the box size"},
      {"Label6", "suiGroupBox2", "X:"},
      {"Label7", "suiGroupBox2", "Y:"},
      {"Label8", "suiGroupBox2", "Z:"},
      {"spHighX", "suiGroupBox2", "20 [1..100000]"},
      {"spHighY", "suiGroupBox2", "20 [1..100000]"},
      {"spHighZ", "suiGroupBox2", "20 [1..100000]"},
      {"cbBoxSize", "suiGroupBox2", "Variable size of Boxes: unchecked"},
      {"cbVarBoxSize", "suiGroupBox2", "Non-zero boxes: checked, disabled"},
      {"suiGroupBox3", "suiPanel2", "Distribution"},
      {"Label9", "suiGroupBox3", "Type:"},
      {"rbDist", "suiGroupBox3", "Uniform|Gauss|Skewed = 0"},
      {"Label10", "suiGroupBox3", "Mean:, hidden"},
      {"edMean", "suiGroupBox3", "350.00, hidden"},
      {"Label11", "suiGroupBox3", "Sigma:, hidden"},
      {"edSigma", "suiGroupBox3", "100.00, hidden"},
      {"rgExponent", "suiGroupBox3", "Exponent: p = 1 (Zipf)|p = 2 (Skewed) = 0, hidden"},
      {"Button1", "suiPanel2", "Create Dataset"},
      {"suiCheckGroup1", "suiPanel2", "Seed (1..65535)"},
      {"rbSeedConstant", "suiCheckGroup1", "Constant: unchecked"},
      {"rbSeedRandom", "suiCheckGroup1", "Random: checked"},
      {"spSeed", "suiCheckGroup1", "1 [1..65535]"},
      {"Label12", "suiPanel2", "Output filename:"},
      {"edfName", "suiPanel2", "Output.txt"},
      {"suiPanel4", "ScrollBox1", "Draw Settings: collapsed, 320 when expanded"},
      {"Label5", "suiPanel4", "Percent of boxes to show:" + blanks + "%"},
      {"spPercent", "suiPanel4", "100 [1..100]"},
      {"suiGroupBox4", "suiPanel4", "Grid Lines"},
      {"cbShowGrid", "suiGroupBox4", "Show Grid Lines: checked"},
      {"rgGridStyle", "suiGroupBox4", "Style: Dash|Dot|DashDot = 1"},
      {"suiGroupBox5", "suiGroupBox4", "Number"},
      {"spGridLines", "suiGroupBox5", "10 [5..100]"},
      {"suiGroupBox6", "suiPanel4", "Boxes Drawing Options"},
      {"cbColouredBoxes", "suiGroupBox6", "Coloured Boxes: checked"},
      {"rgBoxColour", "suiGroupBox6", "Colour: Constant|Random = 0"},
      {"suiButton1", "suiGroupBox6", "Choose..."},
      {"suiPanel5", "ScrollBox1", "Advanced Options: collapsed, 88 when expanded, hidden"},
      {"cbShow3D", "suiPanel5", "Attempt to show 3D world: unchecked"},
      {"Label13", "suiPanel5", "Delta:"},
      {"spDelta", "suiPanel5", "1 [0..0]"},
      {"Panel2", "suiForm1", "Drawing Area"},
      {"PaintBox1", "Panel2", ""},
  };
  for (const auto& row : rows) QTest::newRow(row.name) << row.container << row.shows;
}

void WindowTests::startState() {
  QFETCH(QString, container);
  QFETCH(QString, shows);
  QWidget* w = F().findChild<QWidget*>(QTest::currentDataTag());
  QVERIFY(w != nullptr);
  QCOMPARE(Container(w), container);
  QCOMPARE(Describe(w), shows);
}

void WindowTests::startLayout_data() {
  QTest::addColumn<QRect>("geometry");
  QTest::newRow("suiSideChannel1") << QRect(0, 33, 233, 615);
  QTest::newRow("ScrollBox1") << QRect(13, 24, 217, 588);
  QTest::newRow("Panel2") << QRect(233, 33, 611, 615);
  QTest::newRow("PaintBox1") << QRect(4, 25, 603, 586);
  QTest::newRow("rgDimension") << QRect(8, 24, 73, 97);
  QTest::newRow("spWorldZ") << QRect(24, 70, 73, 19);
  QTest::newRow("suiGroupBox3") << QRect(8, 168, 185, 113);
  QTest::newRow("rgExponent") << QRect(48, 46, 121, 59);
  QTest::newRow("Button1") << QRect(8, 288, 185, 33);
  QTest::newRow("spSeed") << QRect(96, 17, 73, 19);
  QTest::newRow("edfName") << QRect(96, 400, 97, 19);
  QTest::newRow("suiButton1") << QRect(96, 56, 65, 25);
  // Wider than stored (81): it shows any 32-bit delta whole.
  QTest::newRow("spDelta") << QRect(88, 56, 89, 19);
}

void WindowTests::startLayout() {
  QFETCH(QRect, geometry);
  QWidget* w = F().findChild<QWidget*>(QTest::currentDataTag());
  QVERIFY(w != nullptr);
  QCOMPARE(w->geometry(), geometry);
}

void WindowTests::theWindowItself() {
  QCOMPARE(Form1, form_.get());
  QCOMPARE(F().windowTitle(), QString("              Pelmora 1.0"));
  QCOMPARE(F().size(), QSize(844, 648));
  QCOMPARE(F().minimumSize(), QSize(125, 50));
  QCOMPARE(F().cdBoxColour->Color(), kRed);
  // Stack order, top to bottom.
  QVERIFY(F().suiPanel1->y() < F().suiPanel2->y());
  QVERIFY(F().suiPanel2->y() < F().suiPanel4->y());
  // Nothing is generated, written or drawn at start.
  QCOMPARE(state_->sceneSettings.boxCount, 0);
  QVERIFY(!QFile::exists("Output.txt"));
  QVERIFY(F().PaintBox1->Picture().isNull());
}

void WindowTests::distributionShowsItsParameters() {
  auto shown = [this] {
    QString s;
    for (QWidget* w : {static_cast<QWidget*>(F().Label10), static_cast<QWidget*>(F().Label11),
                       static_cast<QWidget*>(F().edMean), static_cast<QWidget*>(F().edSigma),
                       static_cast<QWidget*>(F().rgExponent)}) {
      s += w->isHidden() ? '-' : '+';
    }
    return s;
  };
  Set("rbDist=1");
  QCOMPARE(shown(), QString("++++-"));
  QCOMPARE(F().edMean->text(), QString("350.00"));
  QCOMPARE(F().edSigma->text(), QString("100.00"));
  Set("edMean=420.5");
  Set("rbDist=2");
  QCOMPARE(shown(), QString("----+"));
  Set("rbDist=0");
  QCOMPARE(shown(), QString("-----"));
  Set("rbDist=1");
  QCOMPARE(shown(), QString("++++-"));
  QCOMPARE(F().edMean->text(), QString("420.50"));  // as it was left
  // A selection outside the three items leaves every dependent control as it was.
  F().rbDist->setCurrentIndex(-1);
  RunHandler([this] { F().rbDistChange(F().rbDist); });
  QCOMPARE(shown(), QString("++++-"));
  QVERIFY(F().cbVarBoxSize->isHidden() == false);  // nothing else is touched
}

void WindowTests::variableSizeEnablesNonZeroBoxes() {
  Set("cbBoxSize=1");
  QVERIFY(F().cbVarBoxSize->isEnabled());
  Set("cbVarBoxSize=0");
  Set("cbBoxSize=0");
  QVERIFY(!F().cbVarBoxSize->isEnabled());
  QVERIFY(!F().cbVarBoxSize->isChecked());  // the check mark stays as it was
  // The Y and Z fields stay enabled whatever the dimension.
  Set("rgDimension=0");
  for (SpinEdit* field : {F().spWorldY, F().spWorldZ, F().spHighY, F().spHighZ}) {
    QVERIFY(field->isEnabled());
  }
}

void WindowTests::runWritesTheBytesOfPelmoraGen_data() {
  QTest::addColumn<QStringList>("window");
  QTest::addColumn<QStringList>("cli");
  QTest::newRow("the start settings, seed 7")
      << QStringList{"rbSeedConstant=1", "spSeed=7"} << QStringList{"--seed", "7"};
  QTest::newRow("2D Gauss") << QStringList{"rgDimension=1", "rbDist=1",     "edMean=400",
                                           "edSigma=80.5",  "spBoxes=1000", "rbSeedConstant=1",
                                           "spSeed=9"}
                            << QStringList{"-d",     "2",    "--distribution", "gauss",
                                           "--mean", "400",  "--sigma",        "80.5",
                                           "-n",     "1000", "--seed",         "9"};
  QTest::newRow("1D skewed, variable, zero size allowed")
      << QStringList{"rgDimension=0",    "rbDist=2",      "rgExponent=1", "cbBoxSize=1",
                     "cbVarBoxSize=0",   "spWorldX=5000", "spHighX=300",  "spBoxes=300",
                     "rbSeedConstant=1", "spSeed=65535"}
      << QStringList{"-d",         "1",    "--distribution", "skewed",
                     "--exponent", "2",    "--variable",     "--allow-zero-size",
                     "-w",         "5000", "--high",         "300",
                     "-n",         "300",  "--seed",         "65535"};
  // The seed chosen from the clock goes into the seed field; with it the run is repeated.
  QTest::newRow("a random seed") << QStringList{} << QStringList{"--seed", "<spSeed>"};
}

void WindowTests::runWritesTheBytesOfPelmoraGen() {
  QFETCH(QStringList, window);
  QFETCH(QStringList, cli);
  for (const QString& assignment : window) Set(assignment);
  Set("edfName=data.txt");
  Click(F().Button1);
  QCOMPARE(dialogs_.messages, QStringList());
  QCOMPARE(dialogs_.exceptions, QStringList());
  const QByteArray written = FileBytes("data.txt");
  QVERIFY(written.endsWith("End of dataset."));

  QTemporaryDir other;
  cli.replaceInStrings("<spSeed>", F().spSeed->text());
  QProcess gen;
  gen.setWorkingDirectory(other.path());
  gen.start(PELMORA_GEN, cli + QStringList{"-q", "-o", "data.txt"});
  QVERIFY(gen.waitForFinished(60000));
  QCOMPARE(gen.exitCode(), 0);
  QCOMPARE(written, FileBytes(other.filePath("data.txt")));
}

void WindowTests::windowShowsThePictureOfPelmoraGen_data() {
  QTest::addColumn<QStringList>("window");
  QTest::addColumn<QStringList>("cli");
  QTest::newRow("the start settings") << QStringList{} << QStringList{};
  // Random colours and the rows of 1D boxes continue from the run's random source.
  QTest::newRow("1D, random colours, outlined, dashed grid of 7")
      << QStringList{"rgDimension=0", "rgBoxColour=1", "cbColouredBoxes=0", "rgGridStyle=0",
                     "spGridLines=7"}
      << QStringList{"-d",           "1",    "--random-colour", "--outline",
                     "--grid-style", "dash", "--grid-lines",    "7"};
}

void WindowTests::windowShowsThePictureOfPelmoraGen() {
#ifndef PELMORA_GEN_PICTURE
  QSKIP("pelmora-gen draws no pictures in this build");
#else
  QFETCH(QStringList, window);
  QFETCH(QStringList, cli);
  ExpandDrawSettings();
  for (const QString& assignment : window) Set(assignment);
  RunWithSeed(5);
  const QImage picture = F().PaintBox1->Picture();

  QTemporaryDir other;
  QProcess gen;
  gen.setWorkingDirectory(other.path());
  const QSize size = F().PaintBox1->size();
  gen.start(PELMORA_GEN, cli + QStringList{"-q", "--seed", "5", "--picture", "x.png", "--size",
                                           QString("%1x%2").arg(size.width()).arg(size.height())});
  QVERIFY(gen.waitForFinished(60000));
  QCOMPARE(gen.exitCode(), 0);
  const QImage png = QImage(other.filePath("x.png")).convertToFormat(QImage::Format_RGB32);
  QCOMPARE(png.size(), size);
  QVERIFY(picture == png);
  // And that picture is what the screen shows, not a second drawing of the scene.
  QVERIFY(OnScreen(F().PaintBox1) == png);
  // Saved from the window, the same picture is the same PNG file, byte for byte.
  dialogs_.pictureName = folder_->filePath("saved.png");
  F().SavePicture1->trigger();
  QCOMPARE(dialogs_.messages, QStringList());
  const QByteArray saved = FileBytes(folder_->filePath("saved.png"));
  QVERIFY(saved.startsWith("\x89PNG"));
  QVERIFY(saved == FileBytes(other.filePath("x.png")));
#endif
}

void WindowTests::rangeCheckKeepsTheFileAndThePicture() {
  Set("edfName=data.txt");
  RunWithSeed(3);
  const QByteArray before = FileBytes("data.txt");
  const QImage picture = F().PaintBox1->Picture();
  const GeneratorState* state = state_.get();
  const SceneSettings scene = state->sceneSettings;
  QSignalSpy pictures(F().PaintBox1, &PaintBox::PictureStarted);
  // Z is not used in 1D, and is still checked.
  Set("rgDimension=0");
  Set("spHighZ=50");
  Set("rbSeedRandom=1");
  Click(F().Button1);
  QCOMPARE(dialogs_.messages, QStringList{kRangeMessage});
  QCOMPARE(FileBytes("data.txt"), before);
  QVERIFY(F().PaintBox1->Picture() == picture);
  QCOMPARE(pictures.count(), 0);
  QCOMPARE(F().spSeed->text(), QString("3"));
  QCOMPARE(state->sceneSettings.lastSeed, scene.lastSeed);
  QCOMPARE(state->sceneSettings.boxCount, scene.boxCount);
}

void WindowTests::gridLineCountRedrawsAsTyped() {
  RunWithSeed(1);
  ExpandDrawSettings();
  QSignalSpy pictures(F().PaintBox1, &PaintBox::PictureStarted);
  auto gridOf = [this](int lines) {
    DrawSettings settings;
    settings.spGridLines = lines;
    return Reference(settings, state_->randomSource);
  };
  TypeOver(F().spGridLines, "2");
  QCOMPARE(pictures.count(), 1);
  QVERIFY(F().PaintBox1->Picture() == gridOf(2));
  QTest::keyClick(F().spGridLines, Qt::Key_5);
  QCOMPARE(pictures.count(), 2);
  QVERIFY(F().PaintBox1->Picture() == gridOf(25));
  QVERIFY(gridOf(25) != gridOf(2));

  TypeOver(F().spGridLines, "3");
  QCOMPARE(pictures.count(), 3);
  QVERIFY(F().PaintBox1->Picture() == gridOf(3));
  F().spPercent->setFocus(Qt::TabFocusReason);
  QCOMPARE(F().spGridLines->text(), QString("5"));
  QCOMPARE(pictures.count(), 4);
  QVERIFY(F().PaintBox1->Picture() == gridOf(5));
}

void WindowTests::shortcutRevealsAdvancedOptions_data() {
  QTest::addColumn<QString>("focus");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("revealed");
  const int d = TForm1::kAdvancedOptionsKey;
  QTest::newRow("Ctrl, in the file name") << "edfName" << int(Qt::ControlModifier) << d << true;
  QTest::newRow("Ctrl+Shift, in a spin edit")
      << "spWorldX" << int(Qt::ControlModifier | Qt::ShiftModifier) << d << true;
  QTest::newRow("Ctrl+Alt, on the button")
      << "Button1" << int(Qt::ControlModifier | Qt::AltModifier) << d << true;
  QTest::newRow("without Ctrl") << "edfName" << int(Qt::NoModifier) << d << false;
  QTest::newRow("Shift without Ctrl") << "edfName" << int(Qt::ShiftModifier) << d << false;
  QTest::newRow("Ctrl with another key")
      << "edfName" << int(Qt::ControlModifier) << int(Qt::Key_E) << false;
}

void WindowTests::shortcutRevealsAdvancedOptions() {
  QFETCH(QString, focus);
  QFETCH(int, modifiers);
  QFETCH(int, key);
  QFETCH(bool, revealed);
  // The key still reaches the focused control (QTest presses the modifier keys first).
  struct KeyCounter : QObject {
    int key = 0;
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      presses += event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == key;
      return false;
    }
  } counter;
  counter.key = key;
  QWidget* target = F().findChild<QWidget*>(focus);
  target->setFocus();
  target->installEventFilter(&counter);
  QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(counter.presses, 1);
  QCOMPARE(!F().suiPanel5->isHidden(), revealed);
  if (!revealed) return;
  QVERIFY(F().suiPanel5->IsCollapsed());
  QVERIFY(F().suiPanel5->y() > F().suiPanel4->y());  // at the bottom of the stack
  // Nothing hides it again, and a second use changes nothing.
  Click(F().suiPanel5->CaptionButton());
  QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QVERIFY(!F().suiPanel5->isHidden());
  QVERIFY(!F().suiPanel5->IsCollapsed());
}

void WindowTests::colourDialogConfirmAndCancel() {
  RunWithSeed(1);
  ExpandDrawSettings();
  QSignalSpy pictures(F().PaintBox1, &PaintBox::PictureStarted);
  const QImage red = F().PaintBox1->Picture();

  Click(F().suiButton1);  // cancelled
  QCOMPARE(dialogs_.pickedFrom, std::vector<Colour>{kRed});
  QCOMPARE(pictures.count(), 0);
  QCOMPARE(F().cdBoxColour->Color(), kRed);

  dialogs_.answer = kRed;  // confirmed unchanged: still a redraw
  Click(F().suiButton1);
  QCOMPARE(pictures.count(), 1);
  QVERIFY(F().PaintBox1->Picture() == red);

  const Colour blue = 0xFF0000;
  dialogs_.answer = blue;
  Click(F().suiButton1);
  QCOMPARE(pictures.count(), 2);
  QCOMPARE(F().cdBoxColour->Color(), blue);
  DrawSettings settings;
  settings.boxColour = blue;
  QVERIFY(F().PaintBox1->Picture() == Reference(settings, state_->randomSource));
  dialogs_.answer.reset();
  Click(F().suiButton1);
  QCOMPARE(dialogs_.pickedFrom.back(), blue);  // opens on the current colour

  // "Random": the redraw leaves the last random colour in the dialog.
  const RandomSource before = state_->randomSource;
  Set("rgBoxColour=1");
  QCOMPARE(pictures.count(), 3);
  settings.rgBoxColour = 1;
  Colour last = 0;
  QVERIFY(F().PaintBox1->Picture() == Reference(settings, before, &last));
  QCOMPARE(F().cdBoxColour->Color(), last);
  QVERIFY(last != blue);
}

void WindowTests::redrawsPerEvent_data() {
  QTest::addColumn<bool>("afterRun");
  QTest::addColumn<QString>("event");
  QTest::addColumn<int>("paints");    // paint requests that reached PaintBox1Paint
  QTest::addColumn<int>("pictures");  // scene redraws
  QTest::newRow("Create Dataset") << false << "Button1" << 0 << 1;
  QTest::newRow("Create Dataset again") << true << "Button1" << 0 << 1;
  QTest::newRow("Show Grid Lines") << true << "cbShowGrid" << 1 << 1;
  QTest::newRow("a grid style") << true << "rgGridStyle" << 1 << 1;
  QTest::newRow("Coloured Boxes") << true << "cbColouredBoxes" << 1 << 1;
  QTest::newRow("a colour mode") << true << "rgBoxColour" << 1 << 1;
  QTest::newRow("a step of the percent") << true << "spPercent up" << 1 << 1;
  QTest::newRow("50 typed as percent") << true << "spPercent 50" << 2 << 2;
  QTest::newRow("the 3D check box") << true << "cbShow3D" << 0 << 0;
  QTest::newRow("a delta typed") << true << "spDelta 7" << 0 << 0;
  QTest::newRow("the window resized") << true << "resize" << 1 << 1;
  QTest::newRow("before a run: Show Grid Lines") << false << "cbShowGrid" << 1 << 0;
  QTest::newRow("before a run: the window resized") << false << "resize" << 1 << 0;
}

void WindowTests::redrawsPerEvent() {
  QFETCH(bool, afterRun);
  QFETCH(QString, event);
  QFETCH(int, paints);
  QFETCH(int, pictures);
  if (afterRun) RunWithSeed(2);
  ExpandDrawSettings();
  QTest::keyClick(&F(), TForm1::kAdvancedOptionsKey, Qt::ControlModifier);
  Click(F().suiPanel5->CaptionButton());
  QTest::qWait(20);  // every paint asked for so far is done
  QSignalSpy paintSpy(F().PaintBox1, &PaintBox::Paint);
  QSignalSpy pictureSpy(F().PaintBox1, &PaintBox::PictureStarted);
  if (event == "Button1") {
    Click(F().Button1);
  } else if (event == "cbShowGrid" || event == "cbColouredBoxes" || event == "cbShow3D") {
    ClickItem(F().findChild<QCheckBox*>(event));
  } else if (event == "rgGridStyle" || event == "rgBoxColour") {
    ClickItem(F().findChild<RadioGroup*>(event)->Item(0));
  } else if (event == "spPercent up") {
    F().spPercent->setFocus();
    QTest::keyClick(F().spPercent, Qt::Key_Down);
  } else if (event == "spPercent 50") {
    TypeOver(F().spPercent, "50");
  } else if (event == "spDelta 7") {
    TypeOver(F().spDelta, "7");
  } else if (event == "resize") {
    F().resize(700, 500);
  }
  QTest::qWait(20);
  QCOMPARE(paintSpy.count(), paints);
  QCOMPARE(pictureSpy.count(), pictures);
}

void WindowTests::beforeTheFirstRunTheAreaStaysWhite() {
  ExpandDrawSettings();
  Set("cbShowGrid=0");
  dialogs_.answer = 0x00FF00;
  Click(F().suiButton1);
  F().resize(900, 700);
  QTest::qWait(20);
  QVERIFY(AllWhite(OnScreen(F().PaintBox1)));
  QVERIFY(AllWhite(F().PaintBox1->grab().toImage()));
  QVERIFY(F().PaintBox1->Picture().isNull());
}

void WindowTests::failedRunIsShownAndTheWindowGoesOn() {
  Set("rbSeedConstant=1");
  Set("spSeed=4");
  Set("edfName=" + folder_->path());  // a folder cannot be written as a file
  Click(F().Button1);
  QCOMPARE(dialogs_.exceptions.size(), 1);
  QVERIFY(!dialogs_.exceptions[0].isEmpty());
  QVERIFY(dialogs_.messages.isEmpty());
  QVERIFY(F().isVisible());
  QCOMPARE(F().edfName->text(), folder_->path());
  QCOMPARE(F().spSeed->text(), QString("4"));
  QCOMPARE(state_->sceneSettings.boxCount, 0);
  QVERIFY(F().PaintBox1->Picture().isNull());
  // The window goes on as before.
  Set("edfName=data.txt");
  Click(F().Button1);
  QCOMPARE(dialogs_.exceptions.size(), 1);
  QVERIFY(FileBytes("data.txt").endsWith("End of dataset."));
  QCOMPARE(state_->sceneSettings.boxCount, 200);
}

void WindowTests::stackScrollsWhenTallerThanTheBox() {
  QScrollBar* bar = F().ScrollBox1->verticalScrollBar();
  QTest::qWait(20);
  QVERIFY(!bar->isVisible());  // 130 + 428 + 22 fit
  Click(F().suiPanel4->CaptionButton());
  QCOMPARE(F().suiPanel4->height(), 320);
  QTRY_VERIFY(bar->isVisible());  // 130 + 428 + 320 do not
  Click(F().suiPanel4->CaptionButton());
  QCOMPARE(F().suiPanel4->height(), SettingsPanel::kCaptionBarHeight);
  QTRY_VERIFY(!bar->isVisible());
}

void WindowTests::sideChannelFoldsWhenUnpinned() {
  SideChannel* channel = F().suiSideChannel1;
  Click(channel->PinButton());
  QVERIFY(!channel->IsPinned());
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(channel, &leave);
  QTRY_COMPARE(channel->width(), SideChannel::kSideBarWidth);
  QTRY_COMPARE(F().Panel2->width(), 844 - SideChannel::kSideBarWidth);
  QTRY_COMPARE(F().PaintBox1->width(), 844 - SideChannel::kSideBarWidth - 8);
  QEnterEvent enter(QPointF(5, 100), QPointF(5, 100), channel->mapToGlobal(QPointF(5, 100)));
  QCoreApplication::sendEvent(channel, &enter);
  QTRY_COMPARE(channel->width(), 233);
  QTRY_COMPARE(F().Panel2->width(), 611);
  // Pinned again it stays open.
  Click(channel->PinButton());
  QCoreApplication::sendEvent(channel, &leave);
  QTest::qWait(20);
  QCOMPARE(channel->width(), 233);
}

void WindowTests::wheelOverTheStackChangesNoSetting() {
  auto turn = [](QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
  };
  F().Button1->setFocus();
  turn(F().rbDist);
  turn(F().spBoxes);
  QCOMPARE(F().rbDist->currentIndex(), 0);
  QVERIFY(F().rgExponent->isHidden());
  QCOMPARE(F().spBoxes->text(), QString("200"));
  QVERIFY(F().Button1->hasFocus());
}

void WindowTests::focusFollowsReadingOrder() {
  // Disabled and hidden controls and collapsed panels are passed over. The seed field lies
  // after "Constant"; Qt lets Tab stop once in a group of radio buttons, and the arrow keys
  // move between them.
  const QStringList expected = {"spWorldX",       "spWorldY", "spWorldZ",  "spBoxes",    "spHighX",
                                "spHighY",        "spHighZ",  "cbBoxSize", "rbDist",     "Button1",
                                "rbSeedConstant", "spSeed",   "edfName",   "rgDimension"};
  F().rgDimension->Item(2)->setFocus(Qt::TabFocusReason);
  QStringList order;
  for (int i = 0; i < expected.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    order << (focus->objectName().isEmpty() ? Container(focus) : focus->objectName());
  }
  QCOMPARE(order, expected);
}

void WindowTests::savePictureWaitsForTheFirstRun() {
  // The menu opens on the Drawing Area as the window system asks for it, before a run too.
  auto openMenu = [this] {
    const QPoint middle = F().PaintBox1->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, middle, F().PaintBox1->mapToGlobal(middle));
    QApplication::sendEvent(F().PaintBox1, &event);
    const bool shown = F().PopupMenu1->isVisible();
    F().PopupMenu1->hide();
    return shown;
  };
  QVERIFY(openMenu());
  QCOMPARE(F().PopupMenu1->actions(), QList<QAction*>{F().SavePicture1});
  QCOMPARE(F().SavePicture1->text(), QString("Save Picture..."));
  QVERIFY(!F().SavePicture1->isEnabled());
  // A run that fails shows nothing, so there is still nothing to save.
  Set("edfName=" + folder_->path());
  Click(F().Button1);
  QCOMPARE(dialogs_.exceptions.size(), 1);
  QVERIFY(openMenu());
  QVERIFY(!F().SavePicture1->isEnabled());
  Set("edfName=data.txt");
  RunWithSeed(4);
  QVERIFY(openMenu());
  QVERIFY(F().SavePicture1->isEnabled());
}

void WindowTests::savedPictureIsWhatTheAreaShows() {
  // Random colours and 1D rows: what is saved must be this very picture, not a new drawing.
  ExpandDrawSettings();
  Set("rgDimension=0");
  Set("rgBoxColour=1");
  RunWithSeed(8);
  const RandomSource beforeRedraw = state_->randomSource;
  Set("rgGridStyle=0");  // a redraw through a paint request
  const QImage shown = F().PaintBox1->Picture();
  const RandomSource afterRedraw = state_->randomSource;
  QVERIFY(afterRedraw.StateLow != beforeRedraw.StateLow);

  dialogs_.pictureName = folder_->filePath("shown.png");
  F().SavePicture1->trigger();
  dialogs_.pictureName = folder_->filePath("shown.svg");
  F().SavePicture1->trigger();
  QVERIFY(dialogs_.messages.isEmpty());
  QCOMPARE(dialogs_.askedWith, (QStringList{"Output.png", "Output.png"}));

  const QImage png = QImage(folder_->filePath("shown.png")).convertToFormat(QImage::Format_RGB32);
  QVERIFY(png == shown);
  QVERIFY(png == OnScreen(F().PaintBox1));
  // The SVG is the same redraw: from the random source as it was before it, with its settings.
  DrawSettings settings;
  settings.rgGridStyle = 0;
  settings.rgBoxColour = 1;
  RandomSource copy = beforeRedraw;
  SvgCanvas svg(shown.width(), shown.height());
  const Colour runColour = F().cdBoxColour->Color();
  settings.boxColour = runColour;  // replaced by the first random colour anyway
  DrawScene(svg, shown.width(), shown.height(), settings, state_->boxTable, state_->sceneSettings,
            copy);
  QCOMPARE(FileBytes(folder_->filePath("shown.svg")), QByteArray::fromStdString(svg.Document()));

  // Saving drew nothing on the real source: the next redraw is the one that would have come.
  QCOMPARE(state_->randomSource.StateLow, afterRedraw.StateLow);
  QCOMPARE(state_->randomSource.StateHigh, afterRedraw.StateHigh);
  QVERIFY(F().PaintBox1->Picture() == shown);
  DrawSettings next = settings;
  next.rgGridStyle = 1;
  next.boxColour = F().cdBoxColour->Color();
  Set("rgGridStyle=1");
  QVERIFY(F().PaintBox1->Picture() == Reference(next, afterRedraw));
}

void WindowTests::savedSvgColoursAreThoseOnScreen() {
  // 2D boxes filled in random colours, large enough to have inside pixels.
  ExpandDrawSettings();
  Set("rgDimension=1");
  Set("spBoxes=60");
  Set("spHighX=60");
  Set("spHighY=60");
  Set("rgBoxColour=1");
  RunWithSeed(11);
  dialogs_.pictureName = folder_->filePath("boxes.png");
  F().SavePicture1->trigger();
  dialogs_.pictureName = folder_->filePath("boxes.svg");
  F().SavePicture1->trigger();
  QCOMPARE(dialogs_.messages, QStringList());
  const QImage png = QImage(folder_->filePath("boxes.png")).convertToFormat(QImage::Format_RGB32);
  QVERIFY(png == OnScreen(F().PaintBox1));

  struct Face {
    QRect bounds;  // of the corner points, right and bottom included
    QRgb fill;
  };
  std::vector<Face> faces;
  const QRegularExpression element(R"re(<polygon points="([^"]*)" fill="#([0-9a-f]{6})")re");
  const QString svg = QString::fromUtf8(FileBytes(folder_->filePath("boxes.svg")));
  for (auto m = element.globalMatch(svg); m.hasNext();) {
    const QRegularExpressionMatch match = m.next();
    QPolygon corners;
    for (const QString& point : match.captured(1).split(' ')) {
      corners << QPoint(point.section(',', 0, 0).toInt(), point.section(',', 1, 1).toInt());
    }
    faces.push_back({corners.boundingRect(), 0xFF000000u | match.captured(2).toUInt(nullptr, 16)});
  }
  QVERIFY(faces.size() >= 60);
  // The middle of a face that no later face of another place covers shows the face's colour.
  int checked = 0;
  QSet<QRgb> colours;
  for (size_t i = 0; i < faces.size(); ++i) {
    const QRect& r = faces[i].bounds;
    if (r.width() < 5 || r.height() < 5) continue;
    const QPoint middle = r.center();
    bool covered = false;
    for (size_t j = i + 1; j < faces.size() && !covered; ++j) {
      covered = faces[j].bounds != r && faces[j].bounds.adjusted(-1, -1, 1, 1).contains(middle);
    }
    if (covered) continue;
    QCOMPARE(QColor(png.pixel(middle)).name(), QColor(faces[i].fill).name());
    ++checked;
    colours << faces[i].fill;
  }
  QVERIFY2(checked >= 20, qPrintable(QString::number(checked)));
  QVERIFY(colours.size() >= checked / 2);  // random colours, not one colour
}

void WindowTests::savedPictureKindFollowsTheName_data() {
  QTest::addColumn<QString>("chosen");
  QTest::addColumn<QString>("written");
  QTest::addColumn<QByteArray>("start");
  const QByteArray png("\x89PNG\r\n\x1a\n");
  const QByteArray svg("<?xml");
  const struct {
    const char* tag;
    const char* chosen;
    const char* written;
    const QByteArray& start;
  } rows[] = {
      {"no extension", "plot", "plot.png", png},
      {".png", "plot.png", "plot.png", png},
      {".PNG", "plot.PNG", "plot.PNG", png},
      {".svg", "plot.svg", "plot.svg", svg},
      {".Svg", "plot.Svg", "plot.Svg", svg},
      {"another extension", "plot.txt", "plot.txt.png", png},
      {"svg in the name only", "svg", "svg.png", png},
  };
  for (const auto& row : rows) {
    QTest::newRow(row.tag) << QString(row.chosen) << QString(row.written) << row.start;
  }
}

void WindowTests::savedPictureKindFollowsTheName() {
  QFETCH(QString, chosen);
  QFETCH(QString, written);
  QFETCH(QByteArray, start);
  RunWithSeed(2);
  dialogs_.pictureName = folder_->filePath(chosen);
  F().SavePicture1->trigger();
  QCOMPARE(dialogs_.messages, QStringList());
  QCOMPARE(QDir(folder_->path()).entryList({"plot*", "svg*"}, QDir::Files), QStringList{written});
  QVERIFY(FileBytes(folder_->filePath(written)).startsWith(start));
}

void WindowTests::failedSaveChangesNothing_data() {
  QTest::addColumn<QString>("chosen");   // in the test's folder; empty: the user cancels
  QTest::addColumn<QString>("failure");  // "create" or "write", and the reason after a colon
  const struct {
    const char* tag;
    const char* chosen;
    const char* failure;
  } rows[] = {
      {"cancelled", "", ""},
      {"SVG in a folder that does not exist", "missing/x.svg", "create:No such file or directory"},
      {"PNG in a folder that does not exist", "missing/x", "create:No such file or directory"},
      {"the name of a folder", "taken.svg", "create:Is a directory"},
      {"a device that is full", "full.svg", "write:No space left on device"},
  };
  for (const auto& row : rows) {
    QTest::newRow(row.tag) << QString(row.chosen) << QString(row.failure);
  }
}

void WindowTests::failedSaveChangesNothing() {
  QFETCH(QString, chosen);
  QFETCH(QString, failure);
  QVERIFY(QDir(folder_->path()).mkdir("taken.svg"));
  if (QTest::currentDataTag() == QByteArray("a device that is full")) {
    // A node of the full device (1, 7) of the test's own, written in place like any device.
    if (::mknod(qPrintable(folder_->filePath(chosen)), S_IFCHR | 0600, makedev(1, 7)) != 0) {
      QSKIP("making a device node needs root");
    }
  }
  auto entries = [this] {
    QStringList names =
        QDir(folder_->path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
  };
  QStringList before = entries();
  ExpandDrawSettings();
  Set("rgDimension=0");
  Set("rgBoxColour=1");
  RunWithSeed(6);
  const QImage shown = F().PaintBox1->Picture();
  const RandomSource random = state_->randomSource;
  const Colour colour = F().cdBoxColour->Color();
  QSignalSpy pictures(F().PaintBox1, &PaintBox::PictureStarted);

  if (!chosen.isEmpty()) dialogs_.pictureName = folder_->filePath(chosen);
  F().SavePicture1->trigger();
  QCOMPARE(dialogs_.askedWith.size(), 1);
  const QString name = folder_->filePath(chosen.endsWith(".svg") ? chosen : chosen + ".png");
  const QStringList expected =
      failure.isEmpty()
          ? QStringList()
          : QStringList{QString("Cannot %1 the picture '%2': %3")
                            .arg(failure.section(':', 0, 0), name, failure.section(':', 1))};
  QCOMPARE(dialogs_.messages, expected);
  QVERIFY(dialogs_.exceptions.isEmpty());
  // Nothing drawn, nothing drawn from, nothing written beside the data file.
  QCOMPARE(pictures.count(), 0);
  QVERIFY(F().PaintBox1->Picture() == shown);
  QVERIFY(OnScreen(F().PaintBox1) == shown);
  QCOMPARE(state_->randomSource.StateLow, random.StateLow);
  QCOMPARE(state_->randomSource.StateHigh, random.StateHigh);
  QCOMPARE(F().cdBoxColour->Color(), colour);
  before << "Output.txt";
  before.sort();
  QCOMPARE(entries(), before);
}

}  // namespace pelmora

int main(int argc, char** argv) {
  pelmora::FakeDialogs dialogs;
  pelmora::Application application(argc, argv, dialogs);
  pelmora::Application::setStyle(QStyleFactory::create("Fusion"));
  // As the program starts: with fonts-wine's Tahoma, the window's stored layout.
  pelmora::LoadWindowFonts();
  pelmora::WindowTests tests(dialogs);
  return QTest::qExec(&tests, argc, argv);
}

#include "window_tests.moc"
