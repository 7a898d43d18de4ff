// A panel with a caption bar. A collapsible one (the settings panels of the side stack) has a
// fixed height and a caption button that collapses it to its bar and expands it again; a fixed
// one (the Drawing Area) has no button and takes the size its parent gives it.
#pragma once

#include <QString>
#include <QToolButton>
#include <QWidget>

namespace pelmora {

class SettingsPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kCaptionBarHeight = 22;  // pixels; also the height of a collapsed panel

  enum class Kind { kCollapsible, kFixed };

  // expandedHeight: the height of a collapsible panel when expanded, in pixels, caption bar
  // included; not used for a fixed one. The panel starts expanded.
  SettingsPanel(const QString& caption, Kind kind, int expandedHeight, QWidget* parent);

  // The parent of the panel's controls. It covers the whole panel, so their positions are
  // relative to the panel's top-left corner, above the caption bar's bottom edge included.
  QWidget* Client() const { return client_; }

  QString Caption() const { return caption_; }
  bool IsCollapsed() const { return collapsed_; }
  // The height of the panel when expanded: the height it had when it was last expanded.
  int ExpandedHeight() const { return expandedHeight_; }
  // For a collapsible panel; shown at once when the panel is expanded.
  void SetExpandedHeight(int height);
  // Both do nothing for a fixed panel.
  void Collapse();
  void Expand();
  // The caption button; null for a fixed panel.
  QToolButton* CaptionButton() const { return button_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowState();

  QString caption_;
  Kind kind_;
  int expandedHeight_;
  bool collapsed_ = false;
  QWidget* client_;
  QToolButton* button_ = nullptr;
};

}  // namespace pelmora
