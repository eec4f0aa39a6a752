#pragma once
// A rectangle filled with a brush colour and drawn with a pen: the frames of
// the settings dialog's pages and its colour swatches.
#include "platform/widgets/tcolor.h"

#include <QWidget>

class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget *parent = nullptr);

    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor c);
    TColor PenColor() const { return FPenColor; }
    void SetPenColor(TColor c);
    int PenWidth() const { return FPenWidth; }
    void SetPenWidth(int w);

  signals:
    // Any mouse button pressed anywhere on the shape.
    void MouseDown(Qt::MouseButton button);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

  private:
    TColor FBrushColor = clWhite;
    TColor FPenColor = clBlack;
    int FPenWidth = 1;
};
