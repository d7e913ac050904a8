#include "vm/superinstructions.h"

#include "language/script.h"
#include "values/index_hash.h"
#include "vm/instruction_set.h"

#include <cmath>
#include <cstddef>

namespace {

uint16_t u16(const uint8_t *p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

bool isArithmetic(uint8_t op)
{
    return op == ADD || op == SUB || op == MUL || op == EMUL;
}

bool isComparison(uint8_t op)
{
    return op >= LT && op <= NE;
}

bool isBinaryOperator(uint8_t op)
{
    return isArithmetic(op) || isComparison(op);
}

class Fuser {
public:
    Fuser(const Script &script, const std::vector<uint32_t> &dispatch)
        : _code(script.code()), _size(script.codeSize()), _script(script), _dispatch(dispatch)
    {
    }

    // The step for a sequence starting at `at`, if there is one.
    bool stepAt(int at, FusedStep &step) const
    {
        if (_code[at] != PUSH_VAR || at + 3 >= _size)
            return false;
        step.x = u16(_code + at + 1);
        int p = at + 3;
        bool yVariable = false;
        switch (_code[p]) {
        case PUSH_VAR:
            if (p + 3 > _size)
                return false;
            yVariable = true;
            step.y = u16(_code + p + 1);
            p += 3;
            break;
        case PUSH_CONST8:
        case PUSH_CONST16: {
            const bool wide = _code[p] == PUSH_CONST16;
            if (p + (wide ? 3 : 2) > _size)
                return false;
            const int index = wide ? u16(_code + p + 1) : _code[p + 1];
            if (index >= _script.constantCount())
                return false;
            const Variable &constant = _script.constant(index);
            p += wide ? 3 : 2;
            if (constant.type() == STRING_TYPE)
                return appendAt(p, index, step);
            if (constant.type() != DOUBLE_TYPE || wide)
                return false;
            step.immediate = constant.getDouble();
            break;
        }
        case PUSH_ZERO: step.immediate = 0; p += 1; break;
        case PUSH_ONE: step.immediate = 1; p += 1; break;
        case PUSH_TWO: step.immediate = 2; p += 1; break;
        case PUSH_MINUS_ONE: step.immediate = -1; p += 1; break;
        default: return false;
        }
        if (p >= _size)
            return false;
        const uint8_t op = _code[p++];
        const int immediate = yVariable ? 0 : 1;
        if (isArithmetic(op)) {
            const int family = op == ADD ? 0 : op == SUB ? 2 : 4;
            if (p + 4 <= _size && _code[p] == STORE && _code[p + 3] == POP) {
                step.kind = FusedKind(STEP_ADD_V + family + immediate);
                step.z = u16(_code + p + 1);
                step.next = p + 4;
            } else {
                step.kind = FusedKind(STEP_PUSH_ADD_V + family + immediate);
                step.next = p;
            }
            follow(step.next, step.line);
            return true;
        }
        if (!isComparison(op) || p + 3 > _size || (_code[p] != JUMP_IF_FALSE && _code[p] != JUMP_IF_TRUE))
            return false;
        // A NaN operand takes the operators' own rules.
        if (!yVariable && std::isnan(step.immediate))
            return false;
        const int target = p + 2 + int16_t(u16(_code + p + 1));
        if (target < 0 || target > _size)
            return false; // the jump's own instruction reports it
        step.kind = FusedKind(STEP_LT_V + 2 * (op - LT) + immediate);
        int jumpNext = target, jumpLine = -1, fallNext = p + 3, fallLine = -1;
        follow(jumpNext, jumpLine);
        follow(fallNext, fallLine);
        const bool jumpIfTrue = _code[p] == JUMP_IF_TRUE;
        step.next = jumpIfTrue ? jumpNext : fallNext;
        step.line = jumpIfTrue ? jumpLine : fallLine;
        step.otherNext = jumpIfTrue ? fallNext : jumpNext;
        step.otherLine = jumpIfTrue ? fallLine : jumpLine;
        return true;
    }

private:
    // x = x + the string constant `index`, from the ADD at `p` on.
    bool appendAt(int p, int index, FusedStep &step) const
    {
        if (p + 5 > _size || _code[p] != ADD || _code[p + 1] != STORE || _code[p + 4] != POP
            || u16(_code + p + 2) != step.x)
            return false;
        step.kind = STEP_APPEND_C;
        step.y = uint16_t(index);
        step.z = step.x;
        step.next = p + 5;
        follow(step.next, step.line);
        return true;
    }

    // Moves `next` over a line marker, a jump and a line marker, keeping the
    // last line set, as far as they are sound instruction starts.
    void follow(int &next, int &line) const
    {
        if (startsWith(next, LINE_SET16)) {
            line = u16(_code + next + 1);
            next += 3;
        }
        if (startsWith(next, JUMP)) {
            const int target = next + 2 + int16_t(u16(_code + next + 1));
            if (target < 0 || target > _size)
                return; // the jump's own dispatch reports it
            next = target;
            if (startsWith(next, LINE_SET16)) {
                line = u16(_code + next + 1);
                next += 3;
            }
        }
    }

    // The walk has marked every sound start up to the end of the code by the
    // time steps are made.
    bool startsWith(int pc, uint8_t opcode) const
    {
        return pc < _size && uint8_t(_dispatch[size_t(pc)]) == opcode;
    }

    const uint8_t *_code;
    int _size;
    const Script &_script;
    const std::vector<uint32_t> &_dispatch;
};

} // namespace

FusedCode fuseInstructions(const Script &script, IndexHash *symbols)
{
    const uint8_t *code = script.code();
    const int size = script.codeSize();
    FusedCode out;
    out.dispatch.assign(size_t(size) + 1, FUSED_CHECK);
    for (int pc = 0; pc < size;) {
        const int length = opcodeInfo(code[pc]).length;
        if (length == 0 || pc + length > size)
            break;
        out.dispatch[size_t(pc)] = code[pc];
        if (code[pc] == STORE && pc + 4 <= size && code[pc + 3] == POP)
            out.dispatch[size_t(pc)] = FUSED_STORE_POP;
        if (code[pc] == CALL) {
            out.dispatch[size_t(pc)] = uint32_t(out.calls.size()) << 8 | FUSED_CALL;
            out.calls.emplace_back();
        }
        pc += length;
    }
    const Fuser fuser(script, out.dispatch);
    std::vector<std::pair<int, FusedStep>> found;
    for (int pc = 0; pc < size; ++pc) {
        FusedStep step;
        if (uint8_t(out.dispatch[size_t(pc)]) != PUSH_VAR || !fuser.stepAt(pc, step))
            continue;
        if (symbols) {
            const int entries = symbols->size();
            const bool store = isStoreStep(step.kind);
            const bool yVariable = hasVariableOperand(step.kind);
            // Positions beyond the table take the checked path.
            if (step.x >= entries || (yVariable && step.y >= entries) || (store && step.z >= entries))
                continue;
            step.xSlot = &symbols->at(step.x);
            step.ySlot = yVariable ? &symbols->at(step.y) : nullptr;
            step.zSlot = store ? &symbols->at(step.z) : nullptr;
            step.marks = store && !script.insideFunction() && !step.zSlot->isTemporary();
        }
        found.emplace_back(pc, step);
    }
    out.resolved = symbols != nullptr;
    // Element reads and writes and operators with a variable operand, where
    // no step begins (a step start is replaced below).
    for (int pc = 0; pc + 3 < size; ++pc) {
        const uint8_t op = uint8_t(out.dispatch[size_t(pc)]);
        const uint8_t following = uint8_t(out.dispatch[size_t(pc + 3)]);
        if (op == PUSH_VAR && following == INDEX1_VAR)
            out.dispatch[size_t(pc)] = FUSED_INDEX_READ;
        else if (op == ASSIGN_INDEX1 && following == POP)
            out.dispatch[size_t(pc)] = FUSED_INDEX_WRITE;
        else if (op == PUSH_VAR && isBinaryOperator(following))
            out.dispatch[size_t(pc)] = FUSED_VAR_OPERATOR;
    }
    // Replace the opcodes only now: the followers of a step are read as
    // plain instructions.
    out.steps.reserve(found.size());
    for (const auto &[pc, step] : found) {
        out.dispatch[size_t(pc)] = uint32_t(out.steps.size()) << 8 | FUSED_STEP;
        out.steps.push_back(step);
        out.steps.back().pc = pc;
    }
    auto stepAtPc = [&out, size](int pc) -> const FusedStep * {
        if (pc >= size || uint8_t(out.dispatch[size_t(pc)]) != FUSED_STEP)
            return nullptr;
        return &out.steps[out.dispatch[size_t(pc)] >> 8];
    };
    for (FusedStep &step : out.steps) {
        step.nextStep = stepAtPc(step.next);
        if (isBranchStep(step.kind))
            step.otherStep = stepAtPc(step.otherNext);
    }
    return out;
}
