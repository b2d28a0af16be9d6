// A second program converting into a shared output folder, as another batch
// would: it chooses its output name, waits until every other copy of it has
// chosen too, then converts into the name it got.
//   reserve_helper ENCODER SOURCE WISHED_OUTPUT BARRIER_FOLDER COUNT
// Writes the chosen path to standard output; exits with the encoder's code.
#include <unistd.h>

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include "FuncObjects.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return 2;
    const QString &encoder = args[1], &source = args[2], &wished = args[3], &barrier = args[4];
    const int count = args[5].toInt();

    CreateFuncObjects();
    const QString chosen = FileFunc->GetUniqueFileName(wished);
    QFile mark(barrier + QStringLiteral("/") + QString::number(::getpid()));
    if (!mark.open(QIODevice::WriteOnly))
        return 2;
    mark.close();
    for (int waited = 0; QDir(barrier).entryList(QDir::Files).size() < count; ++waited) {
        if (waited > 6000)
            return 2;
        QThread::msleep(10);
    }

    const int code = QProcess::execute(encoder, {QStringLiteral("-y"), QStringLiteral("-i"), source,
                                                 QStringLiteral("-acodec"), QStringLiteral("mp3"), QStringLiteral("-vn"),
                                                 chosen});
    std::printf("%s\n", chosen.toUtf8().constData());
    return code;
}
