// temporary: picture of the feedback charts with data (not committed)
#include "app/mainwindow.h"
#include "app/ui_mainwindow.h"
#include <QApplication>
#include <QTimer>
#include <cmath>
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    MainWindow w;
    if (argc > 3) w.resize(atoi(argv[2]), atoi(argv[3]));
    w.show();
    w.form()->tabWidget->setCurrentIndex(3);
    int off = 0;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] {
        for (int i = 0; i < 100; ++i, ++off)
            w.appendFeedbackSamples(std::sin(off * 0.01) + 0.05 * ((off * 7919) % 13) / 13.0, 3 * std::cos(off * 0.003), 0.5 * std::sin(off * 0.05));
        w.onWaveUpdateTimerTimeout();
    });
    t.start(100);
    QTimer::singleShot(argc > 4 ? atoi(argv[4]) : 3000, [&] { w.grab().save(argv[1]); app.quit(); });
    return app.exec();
}
