#pragma once

#include "theme/slot_catalogue.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <cstdint>
#include <optional>

namespace palvex::cli {

struct CommandContext {
    QStringList arguments; // after the command's name
    QString workspace;
    const QCommandLineParser& parser; // holds every option of commandOptions()
    QTextStream& out;
    QTextStream& err;
};

struct Command {
    const char* name;
    const char* synopsis;
    int minArguments;
    int maxArguments;
    int (*run)(CommandContext&); // empty: the command runs in the picture part
    const char* options = "";    // the options it reads besides --workspace, by name
};

// A model by its command-line name; a slot by its index, its label exactly as the slot list
// shows it, or its file's name. Each says what is wrong on err and answers nothing.
std::optional<theme::TerminalModel> parseModel(CommandContext& context, const QString& name);
std::optional<int> parseSlot(CommandContext& context, theme::TerminalModel model,
                             const QString& text);

// The value of --max-size, the most an archive may unpack to (the default when not given); says
// on err what is wrong with it and answers nothing.
std::optional<std::int64_t> parseMaxSize(CommandContext& context);

// Every option a command may read, --workspace first; the parser knows them all and each
// command reads the ones it understands.
const QList<QCommandLineOption>& commandOptions();

// A path given on the command line, made absolute against the current folder.
QString absolute(const QString& path);

// Every command of palvex-theme, in the order --help lists them.
const QList<Command>& commands();

} // namespace palvex::cli
