#pragma once

// A compact text form of values for data-driven tests:
//   5  -2.5  true  false  'ab'  undef
//   [1 2; 3 4]  [true false]  ['a' 'b']  []  (the empty typeless vector)
//   i[1 2]  int 5  (an integer vector, an integer scalar)
// show() prints the same notation, so expected values read as they are written.

#include "values/variable.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace value_text {

inline Variable scalar(const QString &t)
{
    if (t == "true" || t == "false")
        return Variable(t == "true");
    if (t.startsWith('\''))
        return Variable(String::fromQString(t.mid(1, t.size() - 2)));
    if (t == "undef")
        return Variable::undefined();
    if (t.startsWith("int "))
        return Variable(int32_t(t.mid(4).toInt()));
    return Variable(t.toDouble());
}

inline Variable parse(const QString &text)
{
    QString t = text.trimmed();
    const bool integers = t.startsWith("i[");
    if (integers)
        t = t.mid(1);
    if (!t.startsWith('['))
        return scalar(t);
    const QStringList rows = t.mid(1, t.size() - 2).split(';');
    std::vector<QStringList> cells;
    for (const QString &r : rows) {
        QStringList items = r.split(' ', Qt::SkipEmptyParts);
        if (!items.isEmpty())
            cells.push_back(items);
    }
    if (cells.empty())
        return Variable(Vector());
    const Variable first = scalar(cells[0][0]);
    const VariableType type = integers ? INTEGER_TYPE : first.type();
    Vector v;
    Vector::create(type, uint32_t(cells.size()), uint32_t(cells[0].size()), v);
    uint32_t k = 0;
    for (const QStringList &r : cells) {
        for (const QString &item : r) {
            const Variable x = scalar(item);
            switch (type) {
            case BOOLEAN_TYPE: v.set(k, x.getBoolean()); break;
            case INTEGER_TYPE: v.set(k, int32_t(x.getDouble())); break;
            case DOUBLE_TYPE: v.set(k, x.getDouble()); break;
            default: v.set(k, x.getString()); break;
            }
            ++k;
        }
    }
    return Variable(std::move(v));
}

inline QString element(const Vector &v, uint32_t i)
{
    switch (v.type()) {
    case BOOLEAN_TYPE: return v.getBoolean(i) ? "true" : "false";
    case INTEGER_TYPE: return QString::number(v.getInteger(i));
    case DOUBLE_TYPE: return QString::number(v.getDouble(i), 'g', QLocale::FloatingPointShortest);
    case STRING_TYPE: return '\'' + v.getString(i).toQString() + '\'';
    default: return "?";
    }
}

inline QString show(const Variable &value)
{
    switch (value.type()) {
    case UNDEFINED_TYPE: return "undef";
    case BOOLEAN_TYPE: return value.getBoolean() ? "true" : "false";
    case INTEGER_TYPE: return "int " + QString::number(value.getInteger());
    case DOUBLE_TYPE: return QString::number(value.getDouble(), 'g', QLocale::FloatingPointShortest);
    case STRING_TYPE: return '\'' + value.getString().toQString() + '\'';
    default: break;
    }
    const Vector &v = value.getVector();
    if (v.isEmpty())
        return v.isTypeless() ? "[]" : QString("[] of type %1").arg(int(v.type()));
    QStringList rows;
    for (uint32_t r = 0; r < v.rowCount(); ++r) {
        QStringList items;
        for (uint32_t c = 0; c < v.columnCount(); ++c)
            items << element(v, r * v.columnCount() + c);
        rows << items.join(' ');
    }
    const QString prefix = v.type() == INTEGER_TYPE ? "i[" : "[";
    // A column is written with semicolons, so n x 1 and 1 x n differ.
    return prefix + rows.join("; ") + ']';
}

// Equal types, shapes and elements, doubles within a relative `tolerance`
// (for results that went through rounding).
inline bool near(const Variable &a, const Variable &b, double tolerance = 1e-12)
{
    auto close = [tolerance](double x, double y) {
        return x == y || std::abs(x - y) <= tolerance * std::max(std::abs(x), std::abs(y));
    };
    if (a.type() != b.type())
        return false;
    if (a.type() == DOUBLE_TYPE)
        return close(a.getDouble(), b.getDouble());
    if (a.type() != VECTOR_TYPE)
        return show(a) == show(b);
    const Vector &x = a.getVector();
    const Vector &y = b.getVector();
    if (x.type() != y.type() || x.rowCount() != y.rowCount() || x.columnCount() != y.columnCount())
        return false;
    for (uint32_t i = 0; i < x.count(); ++i) {
        const bool same = x.type() == DOUBLE_TYPE ? close(x.getDouble(i), y.getDouble(i)) : element(x, i) == element(y, i);
        if (!same)
            return false;
    }
    return true;
}

} // namespace value_text
