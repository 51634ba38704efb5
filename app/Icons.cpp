#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace quilto::app::icons {

namespace {

using Painter = std::function<void(QPainter&)>;

// Draws on a 16 × 16 design grid at several pixel sizes.
QIcon Drawn(const Painter& paint) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        paint(painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon Themed(const char* name, const Painter& fallback) {
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(name));
    return themed.isNull() ? Drawn(fallback) : themed;
}

void DrawBox(QPainter& p) {
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x1f), 0.8));
    p.setBrush(QColor(0xd9, 0xa5, 0x5b));
    p.drawRect(QRectF(1.5, 4.5, 13, 10));
    p.setBrush(QColor(0xe8, 0xc0, 0x84));
    p.drawRect(QRectF(1.5, 2.5, 13, 3));
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x1f), 1.2));
    p.drawLine(QPointF(8, 2.5), QPointF(8, 14.5));
}

void DrawCross(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc6, 0x28, 0x28));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(11, 5), QPointF(5, 11));
}

// A small note in the lower right corner: the cue sheet overlay.
void DrawCueCorner(QPainter& p) {
    p.setPen(QPen(QColor(0x1a, 0x4f, 0x9c), 0.8));
    p.setBrush(QColor(0x3d, 0x84, 0xe0));
    p.drawEllipse(QRectF(8.5, 10.5, 4, 3.5));
    p.setPen(QPen(QColor(0x1a, 0x4f, 0x9c), 1.2));
    p.drawLine(QPointF(12.2, 12), QPointF(12.2, 6.5));
    p.drawLine(QPointF(12.2, 6.5), QPointF(14.8, 7.5));
}

void DrawNote(QPainter& p) {
    p.setPen(QPen(QColor(0x1a, 0x4f, 0x9c), 1.4));
    p.setBrush(QColor(0x3d, 0x84, 0xe0));
    p.drawEllipse(QRectF(2.5, 10, 5, 4));
    p.drawEllipse(QRectF(9.5, 9, 5, 4));
    p.drawLine(QPointF(7.3, 12), QPointF(7.3, 3));
    p.drawLine(QPointF(14.3, 11), QPointF(14.3, 2));
    p.drawLine(QPointF(7.3, 3), QPointF(14.3, 2));
}

void DrawCheckBox(QPainter& p, bool checked) {
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
    if (!checked) return;
    p.setPen(QPen(QColor(0x1b, 0x7f, 0x2a), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(4.8, 8.2);
    tick.lineTo(7, 10.6);
    tick.lineTo(11.4, 5.2);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

void DrawPencil(QPainter& p) {
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x1f), 0.8));
    p.setBrush(QColor(0xf2, 0xc1, 0x4e));
    QPainterPath body;
    body.moveTo(3, 13);
    body.lineTo(4, 10);
    body.lineTo(11, 3);
    body.lineTo(13, 5);
    body.lineTo(6, 12);
    body.closeSubpath();
    p.drawPath(body);
}

void DrawFolder(QPainter& p, bool open) {
    p.setPen(QPen(QColor(0x8a, 0x6d, 0x1c), 0.8));
    p.setBrush(QColor(0xf0, 0xc6, 0x4a));
    p.drawRect(QRectF(1.5, 3.5, 5, 2));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    if (open) {
        p.setBrush(QColor(0xf7, 0xdc, 0x85));
        QPainterPath front;
        front.moveTo(1.5, 13.5);
        front.lineTo(3.5, 7.5);
        front.lineTo(15.5, 7.5);
        front.lineTo(14.5, 13.5);
        front.closeSubpath();
        p.drawPath(front);
    }
}

void DrawDrive(QPainter& p) {
    p.setPen(QPen(QColor(0x44, 0x44, 0x44), 0.8));
    p.setBrush(QColor(0xc8, 0xc8, 0xc8));
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e, 0xb8, 0x3c));
    p.drawEllipse(QRectF(11, 7.6, 2, 2));
}

}  // namespace

QIcon PackedFile() { return Drawn(DrawBox); }
QIcon CannotOpen() { return Drawn(DrawCross); }
QIcon CueMark() { return Drawn(DrawNote); }
QIcon PackedWithCue() {
    return Drawn([](QPainter& p) {
        DrawBox(p);
        DrawCueCorner(p);
    });
}
QIcon CannotOpenWithCue() {
    return Drawn([](QPainter& p) {
        DrawCross(p);
        DrawCueCorner(p);
    });
}
QIcon TagPresent() { return Drawn([](QPainter& p) { DrawCheckBox(p, true); }); }
QIcon TagAbsent() { return Drawn([](QPainter& p) { DrawCheckBox(p, false); }); }
QIcon Edited() { return Drawn(DrawPencil); }
QIcon Excluded() { return Drawn(DrawCross); }
QIcon Folder() { return Themed("folder", [](QPainter& p) { DrawFolder(p, false); }); }
QIcon OpenFolder() { return Themed("folder-open", [](QPainter& p) { DrawFolder(p, true); }); }
QIcon Drive() { return Themed("drive-harddisk", DrawDrive); }
QIcon Program() {
    return Drawn([](QPainter& p) {
        DrawBox(p);
        p.save();
        p.translate(2, -1);
        DrawCueCorner(p);
        p.restore();
    });
}

}  // namespace quilto::app::icons
