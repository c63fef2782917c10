// The real remote display server, driven line by line from standard input, so the page tests
// run a browser against the program's own HTTP code.
//
//   remote_page_server [PORT]          PORT 0 or absent: any free port
//
// Input lines:  a JSON object   -> pushed as the state (keys as in /state)   answers "updated"
//               start / stop    -> starts or stops the listener               answers "listening
//                                  PORT", "failed TEXT" or "stopped" once the server reports
// End of input quits.
#include "remote/RemoteDisplayServer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <iostream>
#include <string>
#include <thread>

namespace {

using quorvel::RemoteDisplayServer;

std::optional<QString> optionalString(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

RemoteDisplayServer::State stateFrom(const QJsonObject& object)
{
    RemoteDisplayServer::State state;
    state.project = optionalString(object, QLatin1String("project"));
    state.piece = optionalString(object, QLatin1String("piece"));
    state.take = optionalString(object, QLatin1String("take"));
    state.status = object.value(QLatin1String("status")).toString();
    state.recording = object.value(QLatin1String("recording")).toBool();
    state.daw = optionalString(object, QLatin1String("daw"));
    state.hasTake = object.value(QLatin1String("hasTake")).toBool();
    return state;
}

void say(const std::string& line)
{
    std::cout << line << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const quint16 port = argc > 1 ? static_cast<quint16>(std::stoi(argv[1])) : 0;

    RemoteDisplayServer server(port);
    server.setStatusHandler([&server](bool running, std::optional<QString> error) {
        if (running)
            say("listening " + std::to_string(server.port()));
        else if (error)
            say("failed " + error->toStdString());
        else
            say("stopped");
    });

    const auto handle = [&server](const std::string& line) {
        if (line == "start") {
            server.start();
        } else if (line == "stop") {
            server.stop();
        } else {
            QJsonParseError error;
            const QJsonDocument document =
                QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
            if (error.error != QJsonParseError::NoError || !document.isObject()) {
                say("error " + error.errorString().toStdString());
                return;
            }
            server.update(stateFrom(document.object()));
            say("updated");
        }
    };

    // Standard input is read on a thread of its own; each line is handled on the main thread,
    // where the server expects its calls.
    std::thread([&app, handle] {
        std::string line;
        while (std::getline(std::cin, line)) {
            QMetaObject::invokeMethod(
                &app, [handle, line] { handle(line); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    }).detach();

    server.start();
    return app.exec();
}
