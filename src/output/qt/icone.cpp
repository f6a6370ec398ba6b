#include "output/qt/icone.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvex::qt {

namespace {

constexpr int kSize = 64;

// A sheet of paper with a folded corner and a tag of text on it.
void drawSheet(QPainter& p, const QString& tag, const QColor& colour) {
    QPainterPath sheet;
    sheet.moveTo(14, 4);
    sheet.lineTo(42, 4);
    sheet.lineTo(52, 14);
    sheet.lineTo(52, 60);
    sheet.lineTo(14, 60);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(42, 4, 42, 14);
    p.drawLine(42, 14, 52, 14);
    p.setPen(QPen(QColor(170, 170, 170), 2));
    for (int y = 22; y <= 30; y += 4) p.drawLine(20, y, 46, y);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(6, 36, 44, 18), 3, 3);
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(6, 36, 44, 18), Qt::AlignCenter, tag);
}

void drawPrinter(QPainter& p) {
    p.setPen(QPen(QColor(70, 70, 70), 2));
    p.setBrush(Qt::white);
    p.drawRect(18, 6, 28, 18);  // paper in
    p.setBrush(QColor(120, 130, 140));
    p.drawRoundedRect(QRectF(6, 22, 52, 24), 4, 4);
    p.setBrush(Qt::white);
    p.drawRect(18, 38, 28, 22);  // paper out
    p.setPen(QPen(QColor(150, 150, 150), 2));
    p.drawLine(22, 46, 42, 46);
    p.drawLine(22, 52, 42, 52);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 90));
    p.drawEllipse(QPointF(50, 30), 3, 3);
}

void drawMagnifier(QPainter& p) {
    drawSheet(p, QString(), Qt::transparent);
    p.setPen(QPen(QColor(40, 70, 140), 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(200, 225, 255, 180));
    p.drawEllipse(QPointF(36, 36), 12, 12);
    p.drawLine(QPointF(45, 45), QPointF(58, 58));
}

void drawExit(QPainter& p) {
    p.setPen(QPen(QColor(90, 60, 30), 2));
    p.setBrush(QColor(190, 140, 90));
    p.drawRect(14, 6, 32, 54);  // door
    p.setBrush(QColor(250, 220, 120));
    p.drawEllipse(QPointF(40, 34), 3, 3);
    p.setPen(QPen(QColor(200, 40, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(30, 34, 58, 34);
    p.drawLine(50, 26, 58, 34);
    p.drawLine(50, 42, 58, 34);
}

}  // namespace

QIcon iconaMenuStampa(int index) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
        case 0:
            drawSheet(p, QStringLiteral("DOC"), QColor(40, 90, 170));
            break;
        case 1:
            drawSheet(p, QStringLiteral("CSV"), QColor(30, 130, 60));
            break;
        case 2:
            drawSheet(p, QStringLiteral("PDF"), QColor(190, 30, 30));
            break;
        case 3:
            drawPrinter(p);
            break;
        case 4:
            drawMagnifier(p);
            break;
        case 6:
            drawSheet(p, QStringLiteral("XLS"), QColor(20, 110, 90));
            break;
        default:
            drawExit(p);
            break;
    }
    p.end();
    return QIcon(pixmap);
}

}  // namespace corvex::qt
