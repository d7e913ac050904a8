#include "vm/disassembler.h"

#include "language/script.h"
#include "library/function_registry.h"
#include "values/variable.h"
#include "vm/instruction_set.h"

#include <QStringList>

namespace {

uint32_t readOperand(const uint8_t *code, int at, OperandKind kind)
{
    switch (kind) {
    case OPERAND_U8: return code[at];
    case OPERAND_U16:
    case OPERAND_S16: return uint32_t(code[at]) << 8 | code[at + 1];
    case OPERAND_U32:
        return uint32_t(code[at]) << 24 | uint32_t(code[at + 1]) << 16 | uint32_t(code[at + 2]) << 8 | code[at + 3];
    default: return 0;
    }
}

bool isVariableOperand(uint8_t op)
{
    switch (op) {
    case STORE: case PUSH_VAR: case ADD_TO_VAR: case SUB_TO_VAR: case MUL_TO_VAR: case EMUL_TO_VAR:
    case LDIV_TO_VAR: case ELDIV_TO_VAR: case DIV_TO_VAR: case EDIV_TO_VAR: case POW_TO_VAR:
    case EPOW_TO_VAR: case PRINT_VAR: case FOR_BEGIN: case FOR_BEGIN_INDEXED: case ASSIGN_INDEX1:
    case ASSIGN_INDEX2: case PUSH_END: case PUSH_END_ROW: case PUSH_END_COLUMN: case INDEX1_VAR:
    case INDEX2_VAR: case CLEAR_VAR: case INC_VAR: case DEC_VAR: case INC_INDEX1: case DEC_INDEX1:
    case INC_INDEX2: case DEC_INDEX2:
        return true;
    default:
        return false;
    }
}

QString constantText(const Script &script, uint32_t index)
{
    if (index >= uint32_t(script.constantCount()))
        return QStringLiteral("<bad constant>");
    const Variable &v = script.constant(index);
    switch (v.type()) {
    case DOUBLE_TYPE: return QString::number(v.getDouble(), 'g', 17);
    case INTEGER_TYPE: return QString::number(v.getInteger());
    case BOOLEAN_TYPE: return v.getBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case STRING_TYPE: return QLatin1Char('"') + v.getString().toQString() + QLatin1Char('"');
    default: return QStringLiteral("<constant>");
    }
}

QString variableName(const Script &script, uint32_t id)
{
    return int(id) < script.symbols().size() ? script.symbols().name(int(id)) : QStringLiteral("<bad id %1>").arg(id);
}

struct Decoded {
    int offset;
    int length;
    QString full;
    QString compact;
};

Decoded decode(const Script &script, int pc)
{
    const uint8_t *code = script.code();
    const int size = script.codeSize();
    const uint8_t op = code[pc];
    const OpcodeInfo &info = opcodeInfo(op);
    Decoded d{pc, 1, QString(), QString()};
    if (!info.name || pc + info.length > size) {
        d.full = d.compact = QStringLiteral("??? %1").arg(op);
        return d;
    }
    d.length = info.length;
    QStringList full{QString::fromLatin1(info.name)};
    QStringList compact{QString::fromLatin1(info.name)};
    int at = pc + 1;
    for (int k = 0; k < 2; ++k) {
        const OperandKind kind = info.operands[k];
        if (kind == OPERAND_NONE)
            break;
        const uint32_t value = readOperand(code, at, kind);
        at += operandSize(kind);
        if (kind == OPERAND_S16) {
            const int distance = int16_t(uint16_t(value));
            const int target = pc + 2 + distance;
            full << QStringLiteral("%1%2 -> %3").arg(distance >= 0 ? "+" : "").arg(distance)
                        .arg(target, 4, 10, QLatin1Char('0'));
            compact << QStringLiteral("@%1").arg(target);
        } else if (op == FOR_NEXT || op == FOR_NEXT_INDEXED) {
            const int target = pc + 3 + int(value);
            full << QStringLiteral("%1 -> %2").arg(value).arg(target, 4, 10, QLatin1Char('0'));
            compact << QStringLiteral("@%1").arg(target);
        } else if (op == PUSH_CONST8 || op == PUSH_CONST16 || op == PUSH_CONST32) {
            full << QStringLiteral("%1 (%2)").arg(value).arg(constantText(script, value));
            compact << constantText(script, value);
        } else if (op == CALL && k == 0) {
            const QString name = FunctionRegistry::instance().nameOf(int(value));
            full << QStringLiteral("%1 (%2)").arg(value).arg(name);
            compact << name;
        } else if (isVariableOperand(op)) {
            full << QStringLiteral("%1 (%2)").arg(value).arg(variableName(script, value));
            compact << variableName(script, value);
        } else {
            full << QString::number(value);
            compact << QString::number(value);
        }
    }
    d.full = full.join(QLatin1Char(' '));
    d.compact = compact.join(QLatin1Char(' '));
    return d;
}

} // namespace

QString disassemble(const Script &script)
{
    QString out;
    for (int pc = 0; pc < script.codeSize();) {
        const Decoded d = decode(script, pc);
        out += QStringLiteral("%1  %2\n").arg(pc, 4, 10, QLatin1Char('0')).arg(d.full);
        pc += d.length;
    }
    return out;
}

QString disassembleCompact(const Script &script)
{
    QStringList parts;
    for (int pc = 0; pc < script.codeSize();) {
        const Decoded d = decode(script, pc);
        parts << d.compact;
        pc += d.length;
    }
    return parts.join(QStringLiteral("; "));
}
