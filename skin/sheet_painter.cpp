#include "sheet_painter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "gui/ui/skin_controls.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {
using namespace skin;
using K = ElementKind;

constexpr int kTitleBarHeight = 52;
constexpr int kPopupTitleHeight = 46;

QFont Font(int px, int weight = 400) {
    return SkinFont(px, weight);
}

QString U(const char* text) {
    return QString::fromUtf8(text);
}

bool IsPage(const SkinFamily& f) {
    return f.size == QSize(760, 520);
}
bool IsMain(const SkinFamily& f) {
    return f.first == 0;
}

void RoundRect(QPainter& p, const QRectF& r, qreal radius, const QColor& fill,
               const QColor& border) {
    p.setPen(border.isValid() ? QPen(border, 1) : Qt::NoPen);
    p.setBrush(fill.isValid() ? QBrush(fill) : Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void Text(QPainter& p, const QRect& r, const QString& text, const QFont& font, const QColor& c,
          int flags = Qt::AlignCenter) {
    p.setFont(font);
    p.setPen(c);
    p.drawText(r, flags, text);
}

// ---- glyphs ---------------------------------------------------------------------------------

void Chevron(QPainter& p, QPointF c, qreal size, bool up, const QColor& color) {
    QPainterPath path;
    const qreal d = up ? -1 : 1;
    path.moveTo(c.x() - size, c.y() - d * size / 2);
    path.lineTo(c.x(), c.y() + d * size / 2);
    path.lineTo(c.x() + size, c.y() - d * size / 2);
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void Triangle(QPainter& p, QPointF c, qreal size, bool up, const QColor& color) {
    QPainterPath path;
    const qreal d = up ? -1 : 1;
    path.moveTo(c.x() - size, c.y() - d * size / 2);
    path.lineTo(c.x() + size, c.y() - d * size / 2);
    path.lineTo(c.x(), c.y() + d * size / 2);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
}

void CheckMark(QPainter& p, const QRectF& box, const QColor& color) {
    QPainterPath path;
    path.moveTo(box.left() + box.width() * 0.22, box.top() + box.height() * 0.52);
    path.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.72);
    path.lineTo(box.left() + box.width() * 0.78, box.top() + box.height() * 0.30);
    p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// Simple line icons for the main window's tiles.
void TileIcon(QPainter& p, const QString& name, QPointF c, const QColor& color) {
    p.save();
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (name == QLatin1String("Buttons")) {
        p.drawRoundedRect(QRectF(c.x() - 10, c.y() - 15, 20, 30), 10, 10);
        p.drawLine(QPointF(c.x(), c.y() - 15), QPointF(c.x(), c.y() - 4));
        p.drawLine(QPointF(c.x() - 10, c.y() - 4), QPointF(c.x() + 10, c.y() - 4));
    } else if (name == QLatin1String("Basic")) {
        QPainterPath arrow;
        arrow.moveTo(c.x() - 8, c.y() - 14);
        arrow.lineTo(c.x() - 8, c.y() + 10);
        arrow.lineTo(c.x() - 2, c.y() + 4);
        arrow.lineTo(c.x() + 3, c.y() + 14);
        arrow.lineTo(c.x() + 7, c.y() + 12);
        arrow.lineTo(c.x() + 2, c.y() + 2);
        arrow.lineTo(c.x() + 10, c.y() + 2);
        arrow.closeSubpath();
        p.drawPath(arrow);
    } else if (name == QLatin1String("Advanced")) {
        p.drawEllipse(c, 12, 12);
        p.drawEllipse(c, 3, 3);
        p.drawLine(QPointF(c.x(), c.y() - 17), QPointF(c.x(), c.y() - 8));
        p.drawLine(QPointF(c.x(), c.y() + 8), QPointF(c.x(), c.y() + 17));
        p.drawLine(QPointF(c.x() - 17, c.y()), QPointF(c.x() - 8, c.y()));
        p.drawLine(QPointF(c.x() + 8, c.y()), QPointF(c.x() + 17, c.y()));
    } else if (name == QLatin1String("Macro")) {
        p.drawEllipse(c, 14, 14);
        p.setBrush(color);
        p.drawEllipse(c, 6, 6);
    } else if (name == QLatin1String("Light")) {
        p.drawEllipse(c, 7, 7);
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(QPointF(c.x() + 11 * std::cos(a), c.y() + 11 * std::sin(a)),
                       QPointF(c.x() + 16 * std::cos(a), c.y() + 16 * std::sin(a)));
        }
    } else {
        p.drawEllipse(c, 14, 14);
        p.setFont(Font(18, 700));
        p.drawText(QRectF(c.x() - 14, c.y() - 14, 28, 28), Qt::AlignCenter, QStringLiteral("?"));
    }
    p.restore();
}

// ---- elements -------------------------------------------------------------------------------

void PaintButton(QPainter& p, const QRect& r, const QString& label, int state, bool primary) {
    QColor fill = kRaised, border = kBorder, text = kText;
    if (primary) {
        fill = kAccent;
        border = kAccent;
        text = kOnAccent;
        if (state == kStateOver) fill = border = kAccent.lighter(112);
        if (state == kStateDown) fill = border = kAccentDown;
    } else {
        if (state == kStateOver) {
            fill = kRaisedOver;
            border = kAccent;
            text = Qt::white;
        }
        if (state == kStateDown) {
            fill = kAccentDown;
            border = kAccentDown;
            text = kOnAccent;
        }
    }
    if (state == kStateOff) {
        fill = kPanel;
        border = kBorder;
        text = kTextOff;
    }
    RoundRect(p, r, 4, fill, border);
    if (state == kStateDown) {
        // Pressed buttons sink a pixel.
        Text(p, r.translated(0, 1), label, Font(r.height() >= 60 ? 40 : 15, 500), text);
    } else {
        Text(p, r, label, Font(r.height() >= 60 ? 40 : 15, 500), text);
    }
}

void PaintGlyphButton(QPainter& p, const QRect& r, bool close, int state) {
    QColor glyph = kTextDim;
    if (state == kStateOver) {
        RoundRect(p, r, 4, close ? kAccent : kRaisedOver, QColor());
        glyph = close ? kOnAccent : kText;
    } else if (state == kStateDown) {
        RoundRect(p, r, 4, kAccentDown, QColor());
        glyph = kOnAccent;
    } else if (state == kStateOff) {
        glyph = kTextOff;
    }
    p.setPen(QPen(glyph, 2, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = QRectF(r).center();
    if (close) {
        p.drawLine(c + QPointF(-5, -5), c + QPointF(5, 5));
        p.drawLine(c + QPointF(-5, 5), c + QPointF(5, -5));
    } else {
        p.drawLine(c + QPointF(-6, 4), c + QPointF(6, 4));
    }
}

void PaintTile(QPainter& p, const SkinElement& e, int state) {
    const QRect r = e.rect;
    const QStringList lines = U(e.label).split(QLatin1Char('\n'));
    QColor fill = kPanel, border = kBorder, title = kText, sub = kTextDim, icon = kAccent;
    if (state == kStateOver) {
        fill = kRaised;
        border = kAccent;
    } else if (state == kStateDown) {
        fill = kAccentDown;
        border = kAccentDown;
        title = sub = icon = kOnAccent;
    } else if (state == kStateOff) {
        title = sub = icon = kTextOff;
    }
    RoundRect(p, r, 8, fill, border);
    if (state == kStateOver) {
        p.fillRect(QRect(r.left() + 1, r.top() + 16, 3, r.height() - 32), kAccent);
    }
    TileIcon(p, U(e.name), QPointF(r.left() + 44, r.top() + 48), icon);
    Text(p, QRect(r.left() + 24, r.top() + 78, r.width() - 40, 30), lines.value(0), Font(20, 700),
         title, Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRect(r.left() + 24, r.top() + 108, r.width() - 40, 24), lines.value(1), Font(13), sub,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintCheck(QPainter& p, const QRect& r, const QString& label, int state) {
    const QRectF box(r.left() + 2, r.center().y() - 9 + 0.5, 18, 18);
    QColor fill = kField, border = kBorder, text = kText;
    if (state == kStateOver) border = kAccent;
    if (state == kStateDown) fill = border = kAccent;
    if (state == kStateOff) {
        fill = kPanel;
        text = kTextOff;
    }
    RoundRect(p, box.toRect(), 3, fill, border);
    if (state == kStateDown) CheckMark(p, box, kOnAccent);
    Text(p, r.adjusted(30, 0, 0, 0), label, Font(15), text, Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintField(QPainter& p, const QRect& r, int state, bool combo) {
    QColor fill = kField, border = kBorder, glyph = kTextDim;
    if (state == kStateOver) {
        border = combo ? kAccent : kTextDim;
        glyph = kAccent;
    }
    if (state == kStateDown) {
        border = kAccent;
        fill = combo ? kRaised : kField;
        glyph = kAccent;
    }
    if (state == kStateOff) {
        fill = kPanel;
        glyph = kTextOff;
    }
    RoundRect(p, r, 4, fill, border);
    if (combo) {
        const QPointF c(r.right() - r.height() / 2.0 + 1, r.center().y() + 1);
        Chevron(p, c, 5, state == kStateDown, glyph);
    }
}

void PaintArrow(QPainter& p, const QRect& r, bool up, int state) {
    QColor fill = kRaised, glyph = kTextDim;
    if (state == kStateOver) glyph = kAccent;
    if (state == kStateDown) {
        fill = kAccent;
        glyph = kOnAccent;
    }
    if (state == kStateOff) {
        fill = kPanel;
        glyph = kTextOff;
    }
    RoundRect(p, r, 2, fill, kBorder);
    Triangle(p, QRectF(r).center(), std::min(r.width(), r.height()) / 4.0 + 1, up, glyph);
}

void PaintTrack(QPainter& p, const QRect& r, int state) {
    const QRectF groove(r.left(), r.center().y() - 2.5, r.width(), 6);
    RoundRect(p, groove.toRect(), 3, state == kStateOff ? kPanel : kField, kBorder);
    // Scale marks make the groove read as a slider even without a thumb.
    p.setPen(QPen(state == kStateOff ? kBorder : kTextOff, 1));
    for (int i = 0; i <= 10; ++i) {
        const qreal x = r.left() + 8 + (r.width() - 16) * i / 10.0;
        p.drawLine(QPointF(x, r.bottom() - 3), QPointF(x, r.bottom()));
    }
}

// A hue/saturation colour disc at full value, painted pixel by pixel so that every pixel is the
// exact colour of its place: hue by the angle (red to the right, counter-clockwise through
// yellow, green, cyan, blue, magenta), saturation from white at the centre to full a few pixels
// inside the edge, so that the pure hues can be picked. The lighting page picks from these
// pixels; its pick circle stays 1.5 pixels inside the painted edge.
void PaintColourDisc(QPainter& p, const QRect& r, int state) {
    const double cx = r.width() / 2.0;
    const double cy = r.height() / 2.0;
    const double radius = std::min(r.width(), r.height()) / 2.0 - 1;
    const double fullSaturation = radius - 4;
    QImage disc(r.size(), QImage::Format_ARGB32);
    disc.fill(Qt::transparent);
    for (int y = 0; y < r.height(); ++y) {
        for (int x = 0; x < r.width(); ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double d = std::hypot(dx, dy);
            const double coverage = std::clamp(radius + 0.5 - d, 0.0, 1.0);
            if (coverage <= 0) continue;
            double hue = std::atan2(-dy, dx) * 180 / M_PI;
            if (hue < 0) hue += 360;
            const double sat = std::min(1.0, d / fullSaturation);
            // HSV to RGB at value 1.
            const double h = hue / 60;
            const double x2 = sat * (1 - std::fabs(std::fmod(h, 2) - 1));
            const double m = 1 - sat;
            // In each sixth of the circle one channel is full and one rises or falls.
            static constexpr int kFull[6] = {0, 1, 1, 2, 2, 0};
            static constexpr int kPartial[6] = {1, 0, 2, 1, 0, 2};
            const int sector = static_cast<int>(h) % 6;
            double rgb[3] = {m, m, m};
            rgb[kFull[sector]] += sat;
            rgb[kPartial[sector]] += x2;
            QColor c(qRound(rgb[0] * 255), qRound(rgb[1] * 255), qRound(rgb[2] * 255));
            if (state == kStateOff) {
                // A dimmed, greyed disc: the light it belongs to takes no colour now.
                const int grey = (c.red() * 3 + c.green() * 6 + c.blue()) / 10;
                c = QColor((grey + kPanel.red() * 3) / 4, (grey + kPanel.green() * 3) / 4,
                           (grey + kPanel.blue() * 3) / 4);
            }
            disc.setPixel(x, y, qRgba(c.red(), c.green(), c.blue(), qRound(coverage * 255)));
        }
    }
    p.drawImage(r.topLeft(), disc);
    if (state == kStateOver || state == kStateDown) {
        p.setPen(QPen(kAccent, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(r).center(), radius - 0.25, radius - 0.25);
    }
}

void PaintList(QPainter& p, const QRect& r, int state) {
    RoundRect(p, r, 4, state == kStateOff ? kPanel : kField, kBorder);
    // The event list draws its rows from 23 pixels down (MacroEventList::kHeaderHeight).
    const QRect header(r.left() + 1, r.top() + 1, r.width() - 2, 22);
    p.fillRect(header, kRaised);
    const QColor text = state == kStateOff ? kTextOff : kTextDim;
    Text(p, header.adjusted(12, 0, 0, 0), U("动作"), Font(13, 600), text,
         Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, header.adjusted(0, 0, -28, 0), U("延时 (毫秒)"), Font(13, 600), text,
         Qt::AlignRight | Qt::AlignVCenter);
}

void PaintLogo(QPainter& p, const QRect& r, int state) {
    const QColor color = state == kStateOff ? kTextOff : state == kStateNormal ? kText : kAccent;
    QFont f = Font(24, 800);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    QPainterPath mark;
    mark.moveTo(r.left() + 2, r.center().y() + 10);
    mark.lineTo(r.left() + 12, r.center().y() - 10);
    mark.lineTo(r.left() + 20, r.center().y() - 10);
    mark.lineTo(r.left() + 10, r.center().y() + 10);
    mark.closeSubpath();
    p.drawPath(mark);
    Text(p, r.adjusted(26, 0, 0, 0), QStringLiteral("KESTA"), f, color,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintThumb(QPainter& p, const QRect& r, bool highlighted) {
    RoundRect(p, r.adjusted(1, 1, -1, -1), 4, highlighted ? kAccent : kText,
              highlighted ? kAccentDown : kTextDim);
    p.setPen(QPen(highlighted ? kOnAccent : kRaised, 1));
    const int cx = r.center().x();
    for (int dx : {-3, 0, 3}) {
        p.drawLine(QPoint(cx + dx, r.top() + 8), QPoint(cx + dx, r.bottom() - 7));
    }
}

void PaintElement(QPainter& p, const SkinElement& e, int state) {
    const QRect r = e.rect;
    switch (e.kind) {
        case K::Background:
            break;
        case K::Button:
            PaintButton(p, r, U(e.label), state, false);
            break;
        case K::Primary:
            PaintButton(p, r, U(e.label), state, true);
            break;
        case K::Minimize:
        case K::Close:
            PaintGlyphButton(p, r, e.kind == K::Close, state);
            break;
        case K::Tile:
            PaintTile(p, e, state);
            break;
        case K::Check:
            PaintCheck(p, r, U(e.label), state);
            break;
        case K::Combo:
            PaintField(p, r, state, true);
            break;
        case K::Edit:
            PaintField(p, r, state, false);
            break;
        case K::Text:
            RoundRect(p, r, 4, state == kStateOff ? kPanel : QColor(0x12, 0x15, 0x1a), QColor());
            break;
        case K::Track:
            PaintTrack(p, r, state);
            break;
        case K::Arrow:
            PaintArrow(p, r, QByteArray(e.label) == "up", state);
            break;
        case K::List:
            PaintList(p, r, state);
            break;
        case K::Progress:
            RoundRect(p, r, r.height() / 2, kField, kBorder);
            break;
        case K::Thumb:
            PaintThumb(p, r, state != kStateNormal);
            break;
        case K::Logo:
            if (QByteArray(e.label) == "palette")
                PaintColourDisc(p, r, state);
            else
                PaintLogo(p, r, state);
            break;
    }
}

// ---- backgrounds ----------------------------------------------------------------------------

// The sign at the left of a message: question, notice or success.
void MessageSign(QPainter& p, QPointF c, QChar sign) {
    p.setPen(QPen(kAccent, 2.5));
    p.setBrush(QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 28));
    p.drawEllipse(c, 24, 24);
    if (sign == QLatin1Char('v')) {
        CheckMark(p, QRectF(c.x() - 16, c.y() - 16, 32, 32), kAccent);
        return;
    }
    Text(p, QRect(int(c.x()) - 24, int(c.y()) - 24, 48, 48), QString(sign), Font(28, 700), kAccent);
}

QChar SignOf(int family) {
    switch (family) {
        case 291:
        case 254:
        case 273:
        case 275:
            return QLatin1Char('v');
        case 294:
        case 297:
        case 248:
        case 251:
        case 270:
            return QLatin1Char('!');
        case 258:
        case 264:
            return QLatin1Char('i');
        default:
            return QLatin1Char('?');
    }
}

void PaintMouseOutline(QPainter& p) {
    // A top view of the mouse with its seven buttons numbered, beside the drop-downs.
    const QRectF body(70, 86, 210, 330);
    p.setPen(QPen(kBorder, 2));
    p.setBrush(kPanel);
    p.drawRoundedRect(body, 100, 110);
    p.setPen(QPen(kTextOff, 1.5));
    p.drawLine(QPointF(175, 86), QPointF(175, 200));
    p.drawLine(QPointF(78, 200), QPointF(272, 200));
    p.setBrush(kField);
    p.drawRoundedRect(QRectF(165, 110, 20, 44), 10, 10);
    p.setBrush(QColor());
    // Light strip of the logo.
    p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(150, 360), QPointF(200, 360));
    struct Spot {
        QPointF at;
        int number;
    };
    const Spot spots[] = {{{120, 150}, 1}, {{230, 150}, 2}, {{175, 132}, 3}, {{82, 250}, 4},
                          {{82, 296}, 5},  {{175, 176}, 6}, {{175, 226}, 7}};
    for (const Spot& s : spots) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawEllipse(s.at, 10, 10);
        Text(p, QRect(int(s.at.x()) - 10, int(s.at.y()) - 10, 20, 20), QString::number(s.number),
             Font(13, 700), kOnAccent);
    }
}

void PaintBackground(QPainter& p, const SkinFamily& f) {
    const QRect all(QPoint(0, 0), f.size);
    QLinearGradient surface(0, 0, 0, f.size.height());
    surface.setColorAt(0, kSurface.lighter(108));
    surface.setColorAt(1, kSurface);
    p.fillRect(all, surface);

    const bool bigWindow = IsPage(f) || IsMain(f);
    const int bar = bigWindow ? kTitleBarHeight : kPopupTitleHeight;
    p.fillRect(QRect(0, 0, f.size.width(), bar), kPanel);
    p.fillRect(QRect(0, bar - 1, f.size.width(), 1), kBorder);
    if (IsMain(f)) {
        Text(p, QRect(176, 0, 400, bar), QStringLiteral("Z7 LASER SOFTWARE"), Font(15, 600),
             kTextDim, Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        p.fillRect(QRect(0, 14, 4, bar - 28), kAccent);
        QFont title = Font(bigWindow ? 20 : 17, 700);
        if (bigWindow) title.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        Text(p, QRect(20, 0, f.size.width() - 140, bar), U(f.title), title, kText,
             Qt::AlignLeft | Qt::AlignVCenter);
    }

    if (IsMain(f)) {
        RoundRect(p, QRect(16, 64, 828, 92), 8, kPanel, kBorder);
        p.fillRect(QRect(0, 504, f.size.width(), 1), kBorder);
    } else if (IsPage(f)) {
        p.fillRect(QRect(0, 456, f.size.width(), 1), kBorder);
        p.fillRect(QRect(1, 457, f.size.width() - 2, f.size.height() - 458), kPanel);
        if (f.first == 36) PaintMouseOutline(p);
        if (f.first == 71) {
            RoundRect(p, QRect(24, 60, 360, 288), 8, QColor(), kBorder);
            RoundRect(p, QRect(388, 60, 356, 288), 8, QColor(), kBorder);
        }
        if (f.first == 152) {
            // The lights' colours at the left, the preview the page draws beside them.
            RoundRect(p, QRect(20, 58, 284, 258), 8, QColor(), kBorder);
            RoundRect(p, QRect(312, 58, 156, 390), 8, QColor(), kBorder);
        }
    }
    // Messages and updater views: a sign left of the message text.
    const bool message = f.size == QSize(440, 240) || f.size == QSize(480, 280);
    if (message && f.first != 279) MessageSign(p, QPointF(56, 96), SignOf(f.first));
    if (f.first == 279) {
        Text(p, QRect(40, 180, 400, 24), U("请勿关闭此窗口"), Font(13), kTextDim,
             Qt::AlignLeft | Qt::AlignVCenter);
    }

    for (const SkinCaption& c : SkinCaptions()) {
        if (c.family != f.first || !*c.text) continue;
        switch (c.role) {
            case 1:
                Text(p, c.rect, U(c.text), Font(16, 500), kText,
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap);
                break;
            case 3: {
                p.setFont(Font(14, 700));
                const int w = p.fontMetrics().horizontalAdvance(U(c.text));
                Text(p, c.rect, U(c.text), Font(14, 700), kTextDim,
                     Qt::AlignLeft | Qt::AlignVCenter);
                const int y = c.rect.center().y() + 1;
                const int right =
                    IsMain(f) || c.rect.left() > 300 ? f.size.width() - 24 : c.rect.left() + 360;
                p.fillRect(QRect(c.rect.left() + w + 12, y, right - c.rect.left() - w - 12, 1),
                           kBorder);
                break;
            }
            default:
                Text(p, c.rect, U(c.text), Font(14), kTextDim,
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap);
                break;
        }
    }
    // A hairline frame keeps borderless windows apart from what lies behind them.
    p.setPen(QPen(kBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0, 0, -1, -1));
}

QImage NewImage(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage PaintFamilySheet(const SkinFamily& f, int state) {
    QImage image = NewImage(f.size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    PaintBackground(p, f);
    for (const SkinElement& e : SkinElements()) {
        if (e.element == f.first || !f.Holds(e.element) || e.kind == K::Background) continue;
        if (e.element == 54 || e.element == 55) continue;
        if (f.first == 279 && e.kind == K::Progress) {
            // The updater's bar: empty on the Start sheet, full on the Full sheet.
            RoundRect(p, e.rect, e.rect.height() / 2, kField, kBorder);
            if (state == kStateOver) {
                QLinearGradient g(e.rect.topLeft(), e.rect.topRight());
                g.setColorAt(0, kAccentDown);
                g.setColorAt(1, kAccent);
                p.setPen(Qt::NoPen);
                p.setBrush(g);
                p.drawRoundedRect(QRectF(e.rect).adjusted(2, 2, -2, -2), e.rect.height() / 2 - 2,
                                  e.rect.height() / 2 - 2);
            }
            continue;
        }
        PaintElement(p, e, state);
    }
    return image;
}

QImage PaintScroll(const QString& fileName) {
    if (fileName == QLatin1String("Scroll_Normal.png")) {
        QImage image = NewImage(ElementRect(145).size());
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        RoundRect(p, image.rect(), 3, kField, kBorder);
        return image;
    }
    // "Scroll_Down.png" holds the resting look of the pieces, "Scroll_Over.png" the pressed one.
    const int state = fileName == QLatin1String("Scroll_Down.png") ? kStateNormal : kStateDown;
    QImage image = NewImage(QSize(16, 72));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    PaintArrow(p, ElementRect(146), true, state);
    PaintArrow(p, ElementRect(147), false, state);
    const QRect thumb = ElementRect(148).adjusted(2, 1, -2, -1);
    RoundRect(p, thumb, 3, state == kStateNormal ? kRaisedOver : kAccent, QColor());
    return image;
}

// Icons of the macro event list: key pressed, key released, pause.
QImage PaintActionIcon(const QString& stem, int state) {
    QImage image = NewImage(QSize(20, 20));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = state == kStateDown ? kOnAccent : state == kStateOver ? kAccent : kText;
    if (state == kStateDown) RoundRect(p, image.rect(), 4, kAccent, QColor());
    if (stem == QLatin1String("ActionDelayTime")) {
        p.setPen(QPen(color, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
        p.drawLine(QPointF(10, 10), QPointF(10, 6));
        p.drawLine(QPointF(10, 10), QPointF(13, 11.5));
        return image;
    }
    const bool up = stem == QLatin1String("ActionUp");
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal d = up ? -1 : 1;
    p.drawLine(QPointF(10, 10 - d * 6), QPointF(10, 10 + d * 6));
    p.drawLine(QPointF(10, 10 + d * 6), QPointF(6, 10 + d * 2));
    p.drawLine(QPointF(10, 10 + d * 6), QPointF(14, 10 + d * 2));
    return image;
}

}  // namespace

QImage PaintSkinFile(const QString& fileName) {
    if (fileName.startsWith(QLatin1String("Scroll_"))) return PaintScroll(fileName);
    if (fileName == QLatin1String("slider_Normal.png") ||
        fileName == QLatin1String("slider_Over.png")) {
        QImage image = NewImage(ElementRect(54).size());
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        PaintThumb(p, image.rect(), fileName == QLatin1String("slider_Over.png"));
        return image;
    }
    for (const char* stem : {kActionUpFile, kActionDownFile, kActionDelayFile}) {
        const QString s = U(stem);
        if (!fileName.startsWith(s + QLatin1Char('_'))) continue;
        const QString state = fileName.mid(s.size() + 1).chopped(4);
        return PaintActionIcon(s, state == QLatin1String("Over")   ? kStateOver
                                  : state == QLatin1String("Down") ? kStateDown
                                                                   : kStateNormal);
    }
    // Family sheets: find the family and state whose file name this is.
    for (const SkinFamily& f : SkinFamilies()) {
        for (int state = kStateNormal; state <= kStateOff; ++state) {
            // Ask with a control element: the background always maps to the Normal file.
            if (SkinFileFor(f.first + 1, state) == fileName) return PaintFamilySheet(f, state);
        }
    }
    return {};
}

}  // namespace z7
