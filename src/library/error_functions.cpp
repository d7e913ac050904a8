#include "library/native_definition.h"
#include "library/operators.h"
#include "values/error_codes.h"

#include <cmath>

// Messages raised from scripts (error, warning, assert) and the natives that
// choose the reaction to the numeric conditions.

namespace {

// The optional message of error, warning and assert: argument `index`
// when given, a string.
bool readMessage(NativeFrame &frame, unsigned index, QString &message)
{
    if (frame.argc <= index)
        return true;
    const Variable &v = frame.arg(index);
    if (v.type() != STRING_TYPE) {
        frame.context.badArgument(STRING_TYPE, v.type(), int(index));
        return false;
    }
    message = v.getString().toQString();
    return true;
}

// The user's message goes through the state of its code like any other
// condition: error stops the run, warning reports and goes on.
bool userMessage(NativeFrame &frame, quint32 code)
{
    QString message;
    if (!frame.expectArguments(0, 1) || !readMessage(frame, 0, message))
        return false;
    const int state = frame.context.stateOf(code);
    if (state != IGNORE_STATE) {
        frame.context.reportNamed(code, message);
        if (state != WARNING_STATE)
            return false;
    }
    frame.setResult(Variable(true));
    return true;
}

bool errorNative(NativeFrame &frame) { return userMessage(frame, ERR_USER_ERROR); }
bool warningNative(NativeFrame &frame) { return userMessage(frame, ERR_USER_WARNING); }

// assert(condition [, message]): the condition is read by the truth test of
// conditional jumps, so assert(x) fails exactly when `if x` would skip.
bool assertNative(NativeFrame &frame)
{
    QString message;
    if (!frame.expectArguments(1, 2) || !readMessage(frame, 1, message))
        return false;
    bool holds = false;
    if (!truthValue(frame.context, frame.arg(0), holds))
        return false;
    if (!holds) {
        frame.context.reportNamed(ERR_ASSERTION_FAILED, message);
        return false;
    }
    frame.setResult(Variable(true));
    return true;
}

// n = 0, 1, 2 (fraction dropped) select ignore, warning, error.
bool setErrorState(NativeFrame &frame, quint32 code)
{
    if (!frame.expectArguments(1))
        return false;
    const Variable &v = frame.arg(0);
    if (v.type() != DOUBLE_TYPE) {
        frame.context.badArgument(DOUBLE_TYPE, v.type(), 0);
        return false;
    }
    const double n = std::trunc(v.getDouble());
    if (!(n == 0.0 || n == 1.0 || n == 2.0)) {
        frame.context.report(ERR_UNKNOWN_ERROR_STATE);
        return false;
    }
    frame.context.setState(code, int(n) + IGNORE_STATE);
    frame.setResult(Variable(true));
    return true;
}

bool setDivByZeroState(NativeFrame &frame) { return setErrorState(frame, ERR_DIVIDE_BY_ZERO); }
bool setResIsNanState(NativeFrame &frame) { return setErrorState(frame, ERR_RESULT_IS_NAN); }
bool setResIsInfState(NativeFrame &frame) { return setErrorState(frame, ERR_RESULT_IS_INF); }

constexpr NativeDefinition kErrorNatives[] = {
    {"assert", assertNative},
    {"error", errorNative},
    {"warning", warningNative},
    {"set_div_by_zero_state", setDivByZeroState},
    {"set_res_is_nan_state", setResIsNanState},
    {"set_res_is_inf_state", setResIsInfState},
};

} // namespace

std::span<const NativeDefinition> errorNatives()
{
    return kErrorNatives;
}
