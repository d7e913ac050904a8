// Any program must run to its end, fail with reports or be stopped; never
// crash, hang or trip an assertion. Each input is compiled as a script file
// into a fresh engine (a fresh workspace) and run by its interpreter with an
// instruction budget and a memory ceiling: both end the run through the
// interpreter's stop flag, as a stop request would.
//
// The memory ceiling counts the live bytes of the sanitizer's allocator and
// refuses single allocations above a size. The value model's own allocation
// limit, once it can be lowered, is the better ceiling: set it here then.
//
// Programs may call rm, mv, save and the like with any path, so every
// writing file-system call of this process is confined to a scratch
// directory and the fuzzer's build directory (its corpus and findings).
#include "app/current_directory.h"
#include "engine/engine_host.h"
#include "engine/virtual_machine.h"
#include "graphs/graph.h"
#include "language/parser_interface.h"
#include "language/script.h"
#include "values/output_list.h"
#include "vm/interpreter.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef NUMLYRA_INSTRUCTION_BUDGET
#error "fuzz_run needs the instruction budget of fuzzing builds"
#endif

namespace {

constexpr long kInstructionBudget = 200000;
constexpr size_t kMemoryCeiling = size_t(512) << 20;

// --- the confinement of file-system writes -------------------------------

std::string allowedRoots[2];
std::atomic<bool> jailed{false};

// The absolute, lexically normalised form of a path (symbolic links cannot
// be made, so none leads out of an allowed directory).
std::string normalised(int dirfd, const char *path)
{
    std::string full;
    if (path[0] == '/') {
        full = path;
    } else {
        char base[PATH_MAX];
        if (dirfd != AT_FDCWD) {
            const std::string link = "/proc/self/fd/" + std::to_string(dirfd);
            const ssize_t n = readlink(link.c_str(), base, sizeof base - 1);
            if (n <= 0)
                return std::string();
            base[n] = 0;
        } else if (!getcwd(base, sizeof base)) {
            return std::string();
        }
        full = std::string(base) + '/' + path;
    }
    std::string out;
    size_t i = 0;
    while (i < full.size()) {
        size_t j = full.find('/', i);
        if (j == std::string::npos)
            j = full.size();
        const std::string part = full.substr(i, j - i);
        if (part == "..") {
            const size_t cut = out.rfind('/');
            out.erase(cut == std::string::npos ? 0 : cut);
        } else if (!part.empty() && part != ".") {
            out += '/' + part;
        }
        i = j + 1;
    }
    return out.empty() ? std::string("/") : out;
}

bool writable(int dirfd, const char *path)
{
    if (!jailed.load(std::memory_order_relaxed))
        return true;
    if (!path)
        return false;
    const std::string p = normalised(dirfd, path);
    if (p == "/dev/null")
        return true;
    for (const std::string &root : allowedRoots)
        if (!root.empty() && (p == root || p.compare(0, root.size() + 1, root + '/') == 0))
            return true;
    return false;
}

// Devices and process files read forever or change under the reader.
bool readable(int dirfd, const char *path)
{
    if (!jailed.load(std::memory_order_relaxed) || !path)
        return true;
    const std::string p = normalised(dirfd, path);
    return p == "/dev/null" || (p.compare(0, 5, "/dev/") != 0 && p.compare(0, 6, "/proc/") != 0);
}

int refuse()
{
    errno = EACCES;
    return -1;
}

bool writesFile(int flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND)) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

int openChecked(int dirfd, const char *path, int flags, mode_t mode)
{
    if (writesFile(flags) ? !writable(dirfd, path) : !readable(dirfd, path))
        return refuse();
    return int(syscall(SYS_openat, dirfd, path, flags, mode));
}

mode_t modeArgument(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

using FopenFunction = FILE *(*)(const char *, const char *);

FILE *fopenChecked(const char *name, const char *path, const char *mode)
{
    const bool writes = mode && std::strpbrk(mode, "wa+");
    if (writes ? !writable(AT_FDCWD, path) : !readable(AT_FDCWD, path)) {
        errno = EACCES;
        return nullptr;
    }
    static FopenFunction real = reinterpret_cast<FopenFunction>(dlsym(RTLD_NEXT, name));
    return real(path, mode);
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openChecked(AT_FDCWD, path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openChecked(AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openChecked(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openChecked(dirfd, path, flags, mode);
}

int creat(const char *path, mode_t mode) { return openChecked(AT_FDCWD, path, O_CREAT | O_WRONLY | O_TRUNC, mode); }
int creat64(const char *path, mode_t mode) { return creat(path, mode); }

FILE *fopen(const char *path, const char *mode) { return fopenChecked("fopen", path, mode); }
FILE *fopen64(const char *path, const char *mode) { return fopenChecked("fopen64", path, mode); }

int unlink(const char *path) noexcept
{
    return writable(AT_FDCWD, path) ? int(syscall(SYS_unlinkat, AT_FDCWD, path, 0)) : refuse();
}

int unlinkat(int dirfd, const char *path, int flags) noexcept
{
    return writable(dirfd, path) ? int(syscall(SYS_unlinkat, dirfd, path, flags)) : refuse();
}

int rmdir(const char *path) noexcept
{
    return writable(AT_FDCWD, path) ? int(syscall(SYS_unlinkat, AT_FDCWD, path, AT_REMOVEDIR)) : refuse();
}

int remove(const char *path) noexcept
{
    if (!writable(AT_FDCWD, path))
        return refuse();
    const int r = int(syscall(SYS_unlinkat, AT_FDCWD, path, 0));
    return r == 0 || errno != EISDIR ? r : int(syscall(SYS_unlinkat, AT_FDCWD, path, AT_REMOVEDIR));
}

int mkdir(const char *path, mode_t mode) noexcept
{
    return writable(AT_FDCWD, path) ? int(syscall(SYS_mkdirat, AT_FDCWD, path, mode)) : refuse();
}

int mkdirat(int dirfd, const char *path, mode_t mode) noexcept
{
    return writable(dirfd, path) ? int(syscall(SYS_mkdirat, dirfd, path, mode)) : refuse();
}

int renameat2(int fromfd, const char *from, int tofd, const char *to, unsigned int flags) noexcept
{
    if (!writable(fromfd, from) || !writable(tofd, to))
        return refuse();
    return int(syscall(SYS_renameat2, fromfd, from, tofd, to, flags));
}

int renameat(int fromfd, const char *from, int tofd, const char *to) noexcept { return renameat2(fromfd, from, tofd, to, 0); }
int rename(const char *from, const char *to) noexcept { return renameat2(AT_FDCWD, from, AT_FDCWD, to, 0); }

// A temporary file opened unnamed is linked from /proc/self/fd/N.
int linkat(int fromfd, const char *from, int tofd, const char *to, int flags) noexcept
{
    const bool unnamed = std::strncmp(from, "/proc/self/fd/", 14) == 0;
    if ((!unnamed && !writable(fromfd, from)) || !writable(tofd, to))
        return refuse();
    return int(syscall(SYS_linkat, fromfd, from, tofd, to, flags));
}

int link(const char *from, const char *to) noexcept { return linkat(AT_FDCWD, from, AT_FDCWD, to, 0); }

// No link may lead out of the allowed directories.
int symlinkat(const char *target, int dirfd, const char *path) noexcept
{
    return jailed.load() ? refuse() : int(syscall(SYS_symlinkat, target, dirfd, path));
}

int symlink(const char *target, const char *path) noexcept { return symlinkat(target, AT_FDCWD, path); }

int truncate(const char *path, off_t length) noexcept
{
    return writable(AT_FDCWD, path) ? int(syscall(SYS_truncate, path, length)) : refuse();
}

int truncate64(const char *path, off_t length) noexcept { return truncate(path, length); }

} // extern "C"

namespace {

// --- the memory ceiling -----------------------------------------------------

std::atomic<Interpreter *> running{nullptr};
// Bytes allocated minus bytes freed since the hooks were installed; the
// ceiling applies to the growth during one run.
std::atomic<long long> liveBytes{0};
std::atomic<long long> liveAtStart{0};

void onMalloc(const volatile void *, size_t size)
{
    const long long live = liveBytes.fetch_add((long long)size, std::memory_order_relaxed) + (long long)size;
    if (live - liveAtStart.load(std::memory_order_relaxed) > (long long)kMemoryCeiling)
        if (Interpreter *interpreter = running.load(std::memory_order_relaxed))
            interpreter->terminate();
}

void onFree(const volatile void *pointer)
{
    const size_t size = __sanitizer_get_allocated_size(const_cast<const void *>(pointer));
    liveBytes.fetch_sub((long long)size, std::memory_order_relaxed);
}

// --- the engine's host --------------------------------------------------------

// Takes the graphs the runs create; everything else is left undone.
class FuzzHost : public EngineHost {
public:
    void addGraphPage(Graph *graph) override { delete graph; }
};

QTemporaryDir &scratchDirectory()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/numlyra-fuzz-run-XXXXXX"));
    return dir;
}

} // namespace

extern "C" const char *__asan_default_options()
{
    // A refused allocation is the model's "Not enough memory", not a crash.
    return "allocator_may_return_null=1:max_allocation_size_mb=256";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    if (!scratchDirectory().isValid())
        std::abort();
    // The build directory: bin/fuzz_run's grandparent.
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        std::abort();
    exe[n] = 0;
    std::string build(exe);
    build.erase(build.rfind('/'));
    build.erase(build.rfind('/'));
    allowedRoots[0] = normalised(AT_FDCWD, QFile::encodeName(scratchDirectory().path()).constData());
    allowedRoots[1] = build;
    __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
    jailed.store(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    // Each program starts in an empty directory: what earlier ones wrote
    // neither steers it nor piles up.
    QDir scratch(scratchDirectory().path());
    for (const QFileInfo &entry : scratch.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            scratch.remove(entry.fileName());
    }
    CurrentDirectory::setPath(scratch.path());
    {
        FuzzHost host;
        VirtualMachine vm(&host);
        Interpreter *interpreter = vm.interpreter();
        if (compileScriptText(*vm.interactiveScript(), text).accepted()) {
            liveAtStart.store(liveBytes.load());
            interpreter->setInstructionBudget(kInstructionBudget);
            running.store(interpreter);
            interpreter->run(vm.interactiveScript());
            running.store(nullptr);
        }
        // The end of a command: deferred actions, clean-up.
        vm.threadFinished();
    }
    OutputList::instance().clear();
    return 0;
}
