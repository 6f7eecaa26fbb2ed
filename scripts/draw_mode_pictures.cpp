// Draws the control-mode pictures of src/source/ (MITpic, POSpic, VELpic, PVTpic and the
// empty transparent.png): each mode's loop as a row of blocks with its feedback path.
// They carry symbols only, so they need no translation.
// Build and run from the repository root:
//
//     g++ -std=c++17 -fPIC scripts/draw_mode_pictures.cpp -o /tmp/draw_mode_pictures \
//         $(pkg-config --cflags --libs Qt6Gui) && QT_QPA_PLATFORM=offscreen /tmp/draw_mode_pictures
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace {

constexpr int kWidth = 180;
constexpr int kHeight = 72;

struct Block {
    QString text;
    QColor fill;
};

void arrow(QPainter &p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to - d * 5 + n * 3);
    head.lineTo(to - d * 5 - n * 3);
    head.closeSubpath();
    p.fillPath(head, p.pen().color());
}

// title on top; set-point -> blocks -> motor; the feedback from the motor back to the first block.
QImage draw(const QString &title, const QString &input, const QList<Block> &blocks, const QString &feedback)
{
    QImage img(kWidth, kHeight, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f("DejaVu Sans");
    f.setPixelSize(10);
    p.setFont(f);
    const QColor ink(60, 60, 60);
    p.setPen(QPen(ink, 1.2));
    p.drawText(QRectF(0, 0, kWidth, 14), Qt::AlignCenter, title);

    const double y = 34, h = 20;
    const double inputWidth = 26;
    const double gap = 12;
    const double blockWidth = (kWidth - inputWidth - 4 - gap * blocks.size()) / blocks.size();
    p.drawText(QRectF(0, y - h / 2, inputWidth, h), Qt::AlignVCenter | Qt::AlignLeft, input);
    double x = inputWidth;
    QList<QRectF> boxes;
    for (const Block &b : blocks) {
        arrow(p, QPointF(x, y), QPointF(x + gap, y));
        const QRectF box(x + gap, y - h / 2, blockWidth, h);
        p.setBrush(b.fill);
        p.drawRoundedRect(box, 3, 3);
        p.setBrush(Qt::NoBrush);
        p.drawText(box, Qt::AlignCenter, b.text);
        boxes.append(box);
        x = box.right();
    }
    // Feedback: down from the motor, back along the bottom, up into the first block.
    const double fy = kHeight - 9;
    const QRectF last = boxes.last(), first = boxes.first();
    p.drawLine(QPointF(last.center().x(), last.bottom()), QPointF(last.center().x(), fy));
    p.drawLine(QPointF(last.center().x(), fy), QPointF(first.center().x(), fy));
    arrow(p, QPointF(first.center().x(), fy), QPointF(first.center().x(), first.bottom()));
    f.setPixelSize(9);
    p.setFont(f);
    p.drawText(QRectF(first.center().x(), fy - 11, last.center().x() - first.center().x(), 11), Qt::AlignCenter,
               feedback);
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString out = "src/source/";
    const QColor position(255, 228, 196), speed(204, 229, 255), current(214, 245, 214), motor(230, 230, 230),
        mit(255, 245, 200);
    const Block m{"M", motor};
    draw("MIT: τ = Kp·Δp + Kd·Δv + t_ff", "p,v", {{"Kp, Kd", mit}, {"τ", current}, m}, "p, v").save(out + "MITpic.png");
    draw("position > velocity > current", "p", {{"P", position}, {"V", speed}, {"I", current}, m}, "p, v, i")
        .save(out + "POSpic.png");
    draw("velocity > current", "v", {{"V", speed}, {"I", current}, m}, "v, i").save(out + "VELpic.png");
    draw("PVT: velocity and current limited", "p,v,i", {{"P", position}, {"I ≤ i", current}, m}, "p, i").save(out + "PVTpic.png");
    QImage empty(kWidth, kHeight, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    empty.save(out + "transparent.png");
    return 0;
}
