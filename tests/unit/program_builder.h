#pragma once

// A test-only assembler: builds a Script's code, constants and symbols from
// a line of mnemonics, e.g.
//   "PUSH_CONST8 {[1 2]}; STORE x; @top: INC_VAR x; JUMP @top"
// Operands: numbers; {value} (a new constant, value_text notation); @label
// (a jump target, or the loop exit of FOR_NEXT*); a name (a variable, or
// the called function for CALL). "BYTE n" emits a raw byte, "@name:"
// defines a label.

#include "value_text.h"

#include "language/function.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "vm/instruction_set.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class Program : public Script {
public:
    explicit Program(const QString &fileName = QString(), Script *parent = nullptr) : Script(fileName, parent) {}

    int var(const QString &name) { return _symbols.lookupOrInsert(name); }
    Variable &value(const QString &name) { return _symbols.at(var(name)); }

    void assemble(const QString &text)
    {
        struct Fixup {
            int at;
            QString label;
        };
        QHash<QString, int> labels;
        std::vector<Fixup> fixups;
        for (const QString &statement : split(text)) {
            QString s = statement.trimmed();
            if (s.isEmpty())
                continue;
            if (s.startsWith('@')) {
                const int colon = s.indexOf(':');
                labels.insert(s.mid(1, colon - 1), int(_code.size()));
                s = s.mid(colon + 1).trimmed();
                if (s.isEmpty())
                    continue;
            }
            const int space = s.indexOf(' ');
            const QString name = space < 0 ? s : s.left(space);
            const QString rest = space < 0 ? QString() : s.mid(space + 1);
            if (name == "BYTE") {
                _code.push_back(uint8_t(rest.toInt()));
                continue;
            }
            const uint8_t opcode = opcodeNamed(name);
            const int at = int(_code.size());
            _code.push_back(opcode);
            const QStringList operands = tokens(rest);
            const OpcodeInfo &info = opcodeInfo(opcode);
            for (int i = 0; i < 2 && info.operands[i] != OPERAND_NONE; ++i) {
                const QString token = i < operands.size() ? operands[i] : QString("0");
                long value = 0;
                bool number = false;
                const long parsed = token.toLong(&number);
                if (token.startsWith('@'))
                    fixups.push_back({at, token.mid(1)});
                else if (token.startsWith('{'))
                    value = constant(value_text::parse(token.mid(1, token.size() - 2)));
                else if (number)
                    value = parsed;
                else if (opcode == CALL)
                    value = FunctionRegistry::instance().idOf(token);
                else
                    value = var(token);
                const int bytes = operandSize(info.operands[i]);
                for (int b = bytes - 1; b >= 0; --b)
                    _code.push_back(uint8_t(value >> (8 * b)));
            }
        }
        for (const Fixup &f : fixups) {
            const int target = labels.value(f.label, -1);
            Q_ASSERT_X(target >= 0, "assemble", qPrintable(f.label));
            // Jumps land at last byte + offset; loop exits at last byte + distance + 1.
            const uint8_t opcode = _code[size_t(f.at)];
            const int offset = target - (f.at + 2) - (opcode == FOR_NEXT || opcode == FOR_NEXT_INDEXED ? 1 : 0);
            _code[size_t(f.at) + 1] = uint8_t(offset >> 8);
            _code[size_t(f.at) + 2] = uint8_t(offset);
        }
    }

    // A user function `name(parameters)` local to this unit, body in mnemonics.
    Program &define(const QString &name, const QStringList &parameters, const QString &body)
    {
        auto info = std::make_unique<FunctionInfo>();
        auto script = std::make_unique<Program>(_fileName, this);
        for (const QString &p : parameters)
            script->var(p);
        script->assemble(body);
        script->_insideFunction = true;
        script->_functionInfo = info.get();
        info->id = FunctionRegistry::instance().idOf(name);
        info->name = String::fromQString(name);
        info->parameterCount = int(parameters.size());
        info->symbols = script->symbols();
        info->symbolCount = script->symbols().size();
        Program &body_ = *script;
        info->script = std::move(script);
        const int id = info->id;
        delete _localFunctions.value(id, nullptr);
        _localFunctions.insert(id, info.release());
        return body_;
    }

private:
    int constant(const Variable &v)
    {
        _constants.push_back(v);
        return int(_constants.size()) - 1;
    }

    static uint8_t opcodeNamed(const QString &name)
    {
        for (int op = 0; op < 256; ++op)
            if (opcodeInfo(uint8_t(op)).name && name == QLatin1String(opcodeInfo(uint8_t(op)).name))
                return uint8_t(op);
        qFatal("unknown mnemonic %s", qPrintable(name));
    }

    // Splits on ';' outside braces.
    static QStringList split(const QString &text)
    {
        QStringList out;
        QString current;
        int depth = 0;
        for (QChar c : text) {
            if (c == '{')
                ++depth;
            else if (c == '}')
                --depth;
            if ((c == ';' || c == '\n') && depth == 0) {
                out << current;
                current.clear();
            } else {
                current += c;
            }
        }
        out << current;
        return out;
    }

    // Whitespace-separated, keeping {...} together.
    static QStringList tokens(const QString &text)
    {
        QStringList out;
        QString current;
        int depth = 0;
        for (QChar c : text) {
            if (c == '{')
                ++depth;
            else if (c == '}')
                --depth;
            if (c == ' ' && depth == 0) {
                if (!current.isEmpty())
                    out << current;
                current.clear();
            } else {
                current += c;
            }
        }
        if (!current.isEmpty())
            out << current;
        return out;
    }
};
