// The real remote display server, driven line by line from standard input, so the page tests run
// a browser against the program's own HTTP code. It keeps one port, free at launch, across
// restarts, so the page keeps its origin and local storage.
//
// Input lines:  a JSON object   -> pushed as the state (keys as in /state)   answers "updated"
//               takes JSON      -> the document /api/v1/takes answers with,
//                                  passed on as it is (setTakeList)           answers "updated"
//               key TEXT / key  -> the access key every request needs, or none answers "updated"
//               start / stop    -> starts or stops the listener               answers "listening
//                                  PORT", "failed TEXT" or "stopped" once the server reports
// It starts listening at launch; end of input quits.
#include "remote/RemoteDisplayServer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include <iostream>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    quorvel::RemoteDisplayServer server(probe.serverPort());
    probe.close();
    server.setStatusHandler([&server](bool running, std::optional<QString> error) {
        std::cout << (running ? "listening " + std::to_string(server.port())
                      : error ? "failed " + error->toStdString()
                              : std::string("stopped"))
                  << std::endl;
    });

    const auto handle = [&server](const QByteArray& line) {
        if (line == "start")
            return server.start();
        if (line == "stop")
            return server.stop();
        if (line.startsWith("takes ") || line.startsWith("key")) {
            if (line.startsWith("key"))
                server.setAccessKey(line.size() > 4
                                        ? std::optional(QString::fromUtf8(line.sliced(4)))
                                        : std::nullopt);
            else
                server.setTakeList(line.sliced(6));
            std::cout << "updated" << std::endl;
            return;
        }
        const QJsonObject state = QJsonDocument::fromJson(line).object();
        const auto text = [&state](const char* key) -> std::optional<QString> {
            const QJsonValue value = state.value(QLatin1String(key));
            return value.isString() ? std::optional(value.toString()) : std::nullopt;
        };
        const auto flag = [&state](const char* key) {
            return state.value(QLatin1String(key)).toBool();
        };
        server.update({text("project"), text("piece"), text("take"),
                       state.value(QLatin1String("status")).toString(), flag("recording"),
                       text("daw"), flag("hasTake")});
        std::cout << "updated" << std::endl;
    };

    // Standard input is read on a thread of its own; each line is handled on the main thread,
    // where the server expects its calls.
    std::thread([&app, handle] {
        std::string line;
        while (std::getline(std::cin, line)) {
            QMetaObject::invokeMethod(
                &app, [handle, line] { handle(QByteArray::fromStdString(line)); },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    }).detach();

    server.start();
    return app.exec();
}
