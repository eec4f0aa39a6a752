#pragma once
// A canvas that writes down what a run draws, page by page, in tenths of a
// millimetre, so tests can check the geometry.
#include "platform/report/canvas.h"

#include <QString>
#include <cmath>
#include <vector>

struct TDrawOp {
    enum TKind { OpFill, OpShape, OpText } Kind;
    QRectF Rect;
    QString Text;
    TQRFont Font;
    bool Opaque = false;
    QColor Color;
};

class TRecordingCanvas : public TReportCanvas {
  public:
    std::vector<std::vector<TDrawOp>> Pages;
    bool Open = false;
    int Begins = 0, Ends = 0;

    void BeginPage() override {
        Pages.emplace_back();
        Open = true;
        ++Begins;
    }
    void EndPage() override {
        Open = false;
        ++Ends;
    }
    void FillRect(const QRectF &r, const QColor &c) override {
        Pages.back().push_back({TDrawOp::OpFill, r, {}, {}, true, c});
    }
    void DrawShape(const QRectF &r) override {
        Pages.back().push_back({TDrawOp::OpShape, r, {}, {}, true, Qt::white});
    }
    void DrawText(const QRectF &b, const QString &t, const TQRFont &f, bool o) override {
        Pages.back().push_back({TDrawOp::OpText, b, t, f, o, f.Color});
    }

    // Ops of a page matching a predicate.
    template <class F> std::vector<TDrawOp> Find(int page, F f) const {
        std::vector<TDrawOp> out;
        for (const auto &op : Pages.at(page))
            if (f(op)) out.push_back(op);
        return out;
    }
    std::vector<TDrawOp> Texts(int page, const QString &text) const {
        return Find(page, [&](const TDrawOp &op) { return op.Kind == TDrawOp::OpText && op.Text == text; });
    }
    // Index of the first op on the page with this text, -1 if none.
    int IndexOf(int page, const QString &text) const {
        const auto &ops = Pages.at(page);
        for (size_t i = 0; i < ops.size(); ++i)
            if (ops[i].Kind == TDrawOp::OpText && ops[i].Text == text) return int(i);
        return -1;
    }
};

inline bool Near(double a, double b, double tol = 0.05) {
    return std::fabs(a - b) <= tol;
}

inline bool Near(const QRectF &a, const QRectF &b, double tol = 0.05) {
    return Near(a.left(), b.left(), tol) && Near(a.top(), b.top(), tol) && Near(a.width(), b.width(), tol) &&
           Near(a.height(), b.height(), tol);
}
