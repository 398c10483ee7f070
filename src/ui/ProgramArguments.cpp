#include "ui/ProgramArguments.h"

#include "base/QtText.h"
#include "base/Version.h"

#include <QCommandLineParser>
#include <QStringList>

namespace brak {

ProgramArguments parseProgramArguments(const std::vector<std::string>& args) {
    ProgramArguments result;
    for (const std::string& arg : args)
        result.startArgument += (result.startArgument.empty() ? "" : " ") + arg;

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A graphical front-end for the Jar archiver. The arguments together name "
                       "an archive to open (a name holding \".J\", a zip, 7z, tar or other archive "
                       "by its name or content) or a Jar configuration file to load."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("name"),
                                 QStringLiteral("The archive or configuration file to open."),
                                 QStringLiteral("[name]"));
    // Only a command line made of options alone is ours: a file that happens
    // to be named like an option is still opened.
    QStringList list{QStringLiteral("brak")};
    for (const std::string& arg : args)
        list << fileNameToQString(arg);
    if (!parser.parse(list) || !parser.positionalArguments().isEmpty())
        return result;
    if (parser.isSet(help)) {
        result.action = ProgramArguments::Action::Help;
        // Without an application object Qt does not know the program's name.
        result.output = parser.helpText()
                            .replace(QStringLiteral("<executable_name>"), QStringLiteral("brak"))
                            .toStdString();
    } else if (parser.isSet(version)) {
        result.action = ProgramArguments::Action::Version;
        result.output = std::string("brak ") + BrakVersion + "\n";
    }
    return result;
}

} // namespace brak
