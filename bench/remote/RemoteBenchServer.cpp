// The remote display server with a typical recording state, for run.sh to load with wrk.
//
//   remote_bench_server PORT        prints "listening PORT" once accepting; SIGINT or SIGTERM
//                                   quits
#include "platform/TerminationSignals.h"
#include "remote/RemoteDisplayServer.h"

#include <QCoreApplication>

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: remote_bench_server PORT\n";
        return 2;
    }
    quorvel::TerminationSignals signals;
    QObject::connect(&signals, &quorvel::TerminationSignals::received, &app,
                     &QCoreApplication::quit);

    quorvel::RemoteDisplayServer server(static_cast<quint16>(std::stoi(argv[1])));
    server.setStatusHandler([&](bool running, std::optional<QString> error) {
        if (running) {
            std::cout << "listening " << server.port() << std::endl;
        } else if (error) {
            std::cerr << "failed: " << error->toStdString() << std::endl;
            app.exit(1);
        }
    });
    quorvel::RemoteDisplayServer::State state;
    state.project = QStringLiteral("Studio Session 2025-03-07");
    state.piece = QStringLiteral("Nocturne in E-flat");
    state.take = QStringLiteral("42");
    state.status = QStringLiteral("Recording");
    state.recording = true;
    state.daw = QStringLiteral("REAPER");
    state.hasTake = true;
    server.update(state);
    server.start();
    return app.exec();
}
