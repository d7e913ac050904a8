#pragma once

#include "library/native_frame.h"

#include <QStringList>

// Argument helpers shared by the session and file commands.
namespace CommandArguments {

// Appends the text of a string argument, or of every element of a string
// vector, to `names`. False (nothing reported) for any other value.
bool collectNames(const Variable &value, QStringList &names);
// An n x 1 column of strings; the empty vector for no names. False after
// reporting "Not enough memory".
bool stringColumn(NativeFrame &frame, const QStringList &names, Variable &out);
// The engine's current directory resolves relative names.
QString absolutePath(const QString &name);
// Reports "Wrong parameters count in function" and returns false.
bool wrongCount(NativeFrame &frame);

} // namespace CommandArguments
