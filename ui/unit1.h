// Unit1: the main window TForm1 with every component it holds and its event handlers.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

#include "drawing/scene.h"
#include "generator/generation_run.h"
#include "ui/busy_cursor.h"
#include "ui/combo_box.h"
#include "ui/dialogs.h"
#include "ui/fit_to_font.h"
#include "ui/number_edit.h"
#include "ui/paint_box.h"
#include "ui/radio_group.h"
#include "ui/save_picture.h"
#include "ui/settings_panel.h"
#include "ui/side_channel.h"
#include "ui/spin_edit.h"
#include "ui/window_frame.h"

namespace pelmora {

class TForm1;

// The one main window of the process. It is set as the window's construction begins, before
// its components are built, so FormCreate and every handler may use it; null without a window.
extern TForm1* Form1;

// The main window. It wires and does nothing else: a handler reads its controls into a snapshot,
// calls one function of the generator or the drawing, and shows the outcome. The controls hold
// every setting; the window keeps no copy of any.
//
// Handlers run inside RunHandler, so an exception raised in one reaches the exception display
// and the window goes on with all its settings.
class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Ctrl with this key reveals "Advanced Options"; no text field of the window uses it.
  static constexpr Qt::Key kAdvancedOptionsKey = Qt::Key_D;

  // state: the box table, scene settings and random source of the process. dialogs: the message
  // boxes and the colour picker. Both must outlive the window. Sets Form1, builds every component
  // as stored, then runs FormCreate.
  TForm1(GeneratorState& state, Dialogs& dialogs, QWidget* parent = nullptr);
  ~TForm1() override;

  // The components, owned by the window. suiBuiltInFileTheme1 is the look in use (Qt's Fusion,
  // in place of the skin theme), owned by the application.
  QStyle* suiBuiltInFileTheme1;
  WindowFrame* suiForm1;
  SettingsPanel* Panel2;
  PaintBox* PaintBox1;
  SideChannel* suiSideChannel1;
  QScrollArea* ScrollBox1;
  SettingsPanel* suiPanel1;
  RadioGroup* rgDimension;
  QGroupBox* suiGroupBox1;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  SpinEdit* spWorldX;
  SpinEdit* spWorldY;
  SpinEdit* spWorldZ;
  SettingsPanel* suiPanel2;
  QLabel* Label4;
  SpinEdit* spBoxes;
  QGroupBox* suiGroupBox2;
  QLabel* Label6;
  QLabel* Label7;
  QLabel* Label8;
  SpinEdit* spHighX;
  SpinEdit* spHighY;
  SpinEdit* spHighZ;
  QCheckBox* cbBoxSize;
  QCheckBox* cbVarBoxSize;
  QGroupBox* suiGroupBox3;
  QLabel* Label9;
  QLabel* Label10;
  QLabel* Label11;
  ComboBox* rbDist;
  NumberEdit* edMean;
  NumberEdit* edSigma;
  RadioGroup* rgExponent;
  QPushButton* Button1;
  SettingsPanel* suiPanel4;
  SpinEdit* spPercent;
  CaptionWithField* Label5;
  QGroupBox* suiGroupBox4;
  RadioGroup* rgGridStyle;
  QCheckBox* cbShowGrid;
  QGroupBox* suiGroupBox5;
  SpinEdit* spGridLines;
  QGroupBox* suiGroupBox6;
  RadioGroup* rgBoxColour;
  QCheckBox* cbColouredBoxes;
  ColourDialog* cdBoxColour;
  QPushButton* suiButton1;
  SettingsPanel* suiPanel5;
  QCheckBox* cbShow3D;
  QLabel* Label13;
  SpinEdit* spDelta;
  QGroupBox* suiCheckGroup1;
  QRadioButton* rbSeedConstant;
  QRadioButton* rbSeedRandom;
  SpinEdit* spSeed;
  QLineEdit* edfName;
  QLabel* Label12;
  // The Drawing Area's context menu and its one item, "Save Picture...": enabled once a run has
  // boxes to show.
  QMenu* PopupMenu1;
  QAction* SavePicture1;

  // The event handlers. Each receives the component that raised the event and does not look at
  // it.
  void FormCreate(QObject* sender);
  // key: the Qt key code, which a handler may set to 0 to swallow the key; shift: the modifiers
  // held.
  void FormKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
  void PaintBox1Paint(QObject* sender);
  void Button1Click(QObject* sender);
  void rbDistChange(QObject* sender);
  void cbBoxSizeClick(QObject* sender);
  void cbShowGridClick(QObject* sender);
  void suiButton1Click(QObject* sender);
  // Saves what the Drawing Area shows now, as PNG or SVG, where the user chooses.
  void SavePicture1Click(QObject* sender);

  // The key preview: every key press for a widget of the window comes here first.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The window and its components with their stored settings: the window description, one
  // builder per part of the window.
  void BuildComponents();
  // The window itself and suiForm1; returns the layout of the frame's side channel and area.
  QHBoxLayout* BuildFrame();
  // suiSideChannel1 and ScrollBox1; returns the layout of the settings stack.
  QVBoxLayout* BuildSideChannel(QHBoxLayout* frameLayout);
  // The controls of each settings panel, on its client.
  void BuildWorldSettings(QWidget* p1);
  void BuildGeneratorSettings(QWidget* p2);
  void BuildDrawSettings(QWidget* p4);
  void BuildAdvancedOptions(QWidget* p5);
  // Panel2 with PaintBox1 and its context menu.
  void BuildDrawingArea(QHBoxLayout* frameLayout);
  // What each setting does, shown under the mouse.
  void SetToolTips();
  // Room for the font in use: fields as wide as their widest values, captions clear of them.
  void FitToFont();
  // The event table: the one place where handlers are connected.
  void WireEvents();
  template <typename Sender, typename Signal>
  void Wire(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*));

  GeneratorControls ReadGeneratorControls() const;
  DrawSettings ReadDrawSettings() const;
  // The scene of the last run drawn on PaintBox1's picture; in "Random" mode the colour of the
  // last box drawn becomes the colour of cdBoxColour.
  void DrawSceneOnPaintBox();

  GeneratorState& state_;
  Dialogs& dialogs_;
  // How the picture on screen was drawn, so that it can be drawn again for saving.
  RedrawStart lastRedraw_;
  // The busy cursor over long runs and long redraws.
  BusyCursor runCursor_;
  BusyCursor redrawCursor_;
};

}  // namespace pelmora
