// A workspace file may be anything on disk: the parser must accept or refuse
// it without crashing, and what it accepts must save and load back to a file
// of the same bytes (saving is then a fixed point).
#include "persistence/variable_model.h"
#include "persistence/workspace_file.h"
#include "values/index_hash.h"
#include "vm/execution_context.h"

#include "values/output_list.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir &directory()
{
    static QTemporaryDir dir;
    return dir;
}

// Loading the bytes as a file into a workspace that already holds variables:
// a refused file must leave every one of them as it was.
void loadKeepsWorkspaceOnFailure(const QByteArray &bytes)
{
    const QString path = QDir(directory().path()).filePath(QStringLiteral("input.ws"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();
    IndexHash workspace;
    workspace.at(workspace.insert(QStringLiteral("a"))) = Variable(1.0);
    workspace.at(workspace.insert(QStringLiteral("b"))) = Variable(String("kept"));
    VariableModel model(&workspace);
    ExecutionContext context;
    if (model.loadWorkspace(path, &context))
        return;
    if (workspace.size() != 2 || workspace.at(0).type() != DOUBLE_TYPE || workspace.at(0).getDouble() != 1.0
        || workspace.at(1).type() != STRING_TYPE || workspace.at(1).getString().toQString() != QLatin1String("kept"))
        std::abort();
}

QByteArray saved(const WorkspaceRecords &records)
{
    const QString path = QDir(directory().path()).filePath(QStringLiteral("fuzz.ws"));
    ExecutionContext context;
    if (!writeWorkspaceFile(path, records, &context))
        std::abort();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray bytes = file.readAll();
    if (quint64(bytes.size()) != workspaceFileLength(records))
        std::abort();
    return bytes;
}

bool parse(QByteArray bytes, WorkspaceRecords &records)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return parseWorkspace(buffer, records) == WORKSPACE_READ_OK;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    OutputList::instance().clear(); // the reports of the previous input
    loadKeepsWorkspaceOnFailure(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    WorkspaceRecords records;
    // A file of no records loads as nothing; there is then nothing to save.
    if (!parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), records) || records.empty())
        return 0;
    const QByteArray first = saved(records);
    WorkspaceRecords again;
    if (!parse(first, again) || again.size() != records.size())
        std::abort();
    for (size_t i = 0; i < records.size(); ++i)
        if (again[i].name != records[i].name || again[i].value.type() != records[i].value.type())
            std::abort();
    if (saved(again) != first)
        std::abort();
    return 0;
}
