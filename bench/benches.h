// The in-process benchmarks, one file each; each prints one JSON object per run on standard
// output and returns the program's exit status.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>

namespace r7k::bench {

int clickToWire(int count, bool mouse, const QString& gatewayMode);
int holdPace(int seconds);
int flood(const QString& simPath, int rate, bool ascii, int seconds, const QString& gatewayMode);
int burst(std::size_t bytes, const QString& gatewayMode);
int integrity();
// Prints the window-relative centre of each named control, for clicking it with xdotool.
int geometry(const QStringList& names);

}  // namespace r7k::bench
