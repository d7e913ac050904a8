// Times the dispatch loop on hand-assembled byte code: a counting loop
// (x = x + 1 while x < n) and a loop of user-function calls, reported as
// nanoseconds per instruction and per call.

#include "engine/run_state.h"
#include "language/function.h"
#include "language/script.h"
#include "library/function_registry.h"
#include "values/output_list.h"
#include "vm/instruction_set.h"
#include "vm/interpreter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Writes code, constants and symbols directly; jumps are patched by label offset.
class Assembler : public Script {
public:
    explicit Assembler(Script *parent = nullptr) : Script(QString(), parent) {}
    int var(const char *name) { return _symbols.lookupOrInsert(QString::fromLatin1(name)); }
    int here() const { return int(_code.size()); }
    void op(uint8_t code) { _code.push_back(code); }
    void op16(uint8_t code, int operand)
    {
        _code.push_back(code);
        _code.push_back(uint8_t(operand >> 8));
        _code.push_back(uint8_t(operand));
    }
    void call(int id, int argc)
    {
        op16(CALL, id);
        _code.push_back(uint8_t(argc));
    }
    void pushConstant(double value)
    {
        _constants.emplace_back(value);
        op16(PUSH_CONST8, 0);
        _code.pop_back();
        _code.back() = uint8_t(_constants.size() - 1);
    }
    // A jump at `at` landing on `target` (offsets count from the last operand byte).
    void patch(int at, int target)
    {
        const int d = target - (at + 2);
        _code[size_t(at) + 1] = uint8_t(d >> 8);
        _code[size_t(at) + 2] = uint8_t(d);
    }
    void addFunction(FunctionInfo *info) { _localFunctions.insert(info->id, info); }
    void makeFunctionBody(FunctionInfo *info)
    {
        _insideFunction = true;
        _functionInfo = info;
    }
};

// while (i < n) { <body>; i = i + 1 }: returns the instruction count of one iteration.
int countingLoop(Assembler &p, double n, void (*body)(Assembler &))
{
    const int i = p.var("i");
    p.op(PUSH_ZERO);
    p.op16(STORE, i);
    p.op(POP);
    const int top = p.here();
    p.op16(PUSH_VAR, i);
    p.pushConstant(n);
    p.op(LT);
    const int exit = p.here();
    p.op16(JUMP_IF_FALSE, 0);
    const int bodyStart = p.here();
    if (body)
        body(p);
    const int bodyLength = p.here() - bodyStart;
    (void)bodyLength;
    p.op16(PUSH_VAR, i);
    p.op(PUSH_ONE);
    p.op(ADD);
    p.op16(STORE, i);
    p.op(POP);
    const int back = p.here();
    p.op16(JUMP, 0);
    p.patch(back, top);
    p.patch(exit, p.here());
    return 0;
}

double seconds(Interpreter &interpreter, Script &script)
{
    OutputList::instance().clear();
    const auto t0 = std::chrono::steady_clock::now();
    const int result = interpreter.run(&script);
    const auto t1 = std::chrono::steady_clock::now();
    if (result != 0 || !OutputList::instance().isEmpty()) {
        std::fprintf(stderr, "benchmark program failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(t1 - t0).count();
}

} // namespace

int main(int argc, char **argv)
{
    const double n = argc > 1 ? std::atof(argv[1]) : 1e7;
    Interpreter interpreter;

    Assembler loop;
    countingLoop(loop, n, nullptr);
    const double loopTime = seconds(interpreter, loop);
    const double instructions = n * 10;
    std::printf("counting loop: %.0f iterations, %.3f s, %.2f ns per instruction\n", n, loopTime,
                loopTime * 1e9 / instructions);

    // f(a, b) returns a; called n / 10 times.
    const double calls = n / 10;
    static Assembler program;
    auto *info = new FunctionInfo;
    info->id = FunctionRegistry::instance().idOf(QStringLiteral("bench_f"));
    info->name = String("bench_f");
    info->parameterCount = 2;
    auto body = std::make_unique<Assembler>(&program);
    const int a = body->var("a");
    body->var("b");
    body->op(POP);
    body->op16(PUSH_VAR, a);
    body->op(HALT);
    body->makeFunctionBody(info);
    info->symbols = body->symbols();
    info->script = std::move(body);
    program.addFunction(info);
    countingLoop(program, calls, [](Assembler &p) {
        p.op16(PUSH_VAR, p.var("i"));
        p.op(PUSH_TWO);
        p.call(FunctionRegistry::instance().idOf(QStringLiteral("bench_f")), 2);
        p.op(POP);
    });
    const double callTime = seconds(interpreter, program);
    const double loopPart = calls * 10 * (loopTime / instructions);
    std::printf("function calls: %.0f calls, %.3f s, %.0f ns per call (loop overhead removed)\n", calls, callTime,
                (callTime - loopPart) * 1e9 / calls);
    RunState::instance().updateItemSet.clear();
    return 0;
}
