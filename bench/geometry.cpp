// For the out-of-process benches: where the controls are, for clicking them with xdotool.
#include <QtTest>
#include <cstdio>

#include "bench_support.h"
#include "benches.h"

namespace r7k::bench {

int geometry(const QStringList& names) {
    LivePanel panel("/dev/r7k-bench-none");
    panel.window.show();
    if (!QTest::qWaitForWindowExposed(&panel.window))
        return 1;
    for (const QString& name : names) {
        QWidget* w = panel.window.control(name.toStdString());
        if (w == nullptr) {
            std::fprintf(stderr, "r7k-bench: no control %s\n", qPrintable(name));
            return 1;
        }
        const QPoint c = w->mapTo(&panel.window, w->rect().center());
        std::printf("%s %d %d\n", qPrintable(name), c.x(), c.y());
    }
    return 0;
}

}  // namespace r7k::bench
