// What the grid benchmarks share: a view laid out and painted now, and one line per phase with its
// ratio against the standard model.
#pragma once

#include "benchutil.h"

#include <QAbstractItemView>
#include <QApplication>

#include <cstdio>
#include <vector>

namespace {

// Layout and paint happen now rather than on some later turn of the loop.
inline void settleView(QAbstractItemView& v)
{
    QApplication::processEvents();
    v.viewport()->repaint();
}

inline void showAndSettle(QAbstractItemView& v)
{
    v.resize(900, 700);
    v.show();
    settleView(v);
}

inline bool reportRatio(const char* what, const std::vector<double>& ours, const std::vector<double>& base,
                        double budget)
{
    const double ratio = median(ours) / median(base);
    std::printf("%-36s grid %8.2f ms  standard model %8.2f ms  ratio %5.2f (budget <= %.1f)%s\n", what,
                median(ours), median(base), ratio, budget, ratio <= budget ? "" : " OVER");
    return ratio <= budget;
}

} // namespace
