#pragma once

// Values and calls for the tests of native families: arguments are pushed
// on a fresh operand stack and the routine runs with a bare context that
// names the called function.

#include "library/native_definition.h"
#include "values/list.h"
#include "values/output_list.h"
#include "values/vector.h"
#include "vm/execution_context.h"

#include <QString>
#include <QtGlobal>

#include <initializer_list>
#include <span>

namespace NativeTest {

inline Variable num(double d) { return Variable(d); }
inline Variable str(const char *s) { return Variable(String(s)); }
inline Variable boolean(bool b) { return Variable(b); }
inline Variable empty() { return Variable(Vector()); }

// A rows x columns array; the elements are given in row-major order.
template <typename T, typename Item = T>
Variable array(VariableType type, uint32_t rows, uint32_t columns, std::initializer_list<Item> items = {})
{
    Vector v;
    if (!Vector::create(type, rows, columns, v))
        qFatal("test array");
    uint32_t i = 0;
    for (const Item &item : items)
        v.set(i++, T(item));
    return Variable(std::move(v));
}

inline NativeRoutine routineIn(std::span<const NativeDefinition> family, const QString &name)
{
    for (const NativeDefinition &d : family)
        if (name == QLatin1String(d.name))
            return d.routine;
    qFatal("no native %s", qPrintable(name));
}

struct Outcome {
    bool ok = false;
    int stackSize = 0;
    Variable top;
};

// Clears OutputList, then calls the routine on `args`.
inline Outcome call(NativeRoutine routine, const QString &name, const QList<Variable> &args)
{
    OutputList::instance().clear();
    List stack;
    for (const Variable &a : args)
        stack.push(Variable(a));
    ExecutionContext context;
    context.setCalleeName(name);
    NativeFrame frame{stack, context, unsigned(args.size())};
    Outcome out;
    out.ok = routine(frame);
    out.stackSize = stack.size();
    if (!stack.isEmpty())
        out.top = stack.top();
    return out;
}

inline Outcome call(std::span<const NativeDefinition> family, const QString &name, const QList<Variable> &args)
{
    return call(routineIn(family, name), name, args);
}

// The only report of the last call, or an empty record when there is not
// exactly one.
inline ErrorReport onlyError()
{
    const OutputList &out = OutputList::instance();
    if (out.count() != 1 || out.at(0).kind != OutputList::ERROR_ENTRY)
        return ErrorReport();
    return out.at(0).report;
}

} // namespace NativeTest
