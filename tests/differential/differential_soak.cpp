// Long runs of the differential comparison of our text view and
// QPlainTextEdit: differential_soak [--events N] [--seed S] [--length L].
// Prints the first seed, a count of differences by kind, and for the first
// difference of each kind its seed and the shortest sequence that shows it;
// every seed that differed goes to the standard error as well.
#include "tests/differential/differential_run.h"
#include "tests/differential/random_gestures.h"
#include "tests/differential/text_box_pair.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <cstdio>
#include <map>

namespace {

struct Options {
    qint64 events = 1'000'000;
    quint64 seed = quint64(QDateTime::currentMSecsSinceEpoch());
    int length = 200;
};

Options parse(const QStringList& arguments) {
    Options options;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        const QString& value = arguments[i + 1];
        if (name == u"--events")
            options.events = value.toLongLong();
        else if (name == u"--seed")
            options.seed = value.toULongLong();
        else if (name == u"--length")
            options.length = std::max(1, value.toInt());
    }
    return options;
}

void print(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parse(QCoreApplication::arguments());
    print(QStringLiteral("seed %1, %2 events in sequences of %3\n")
              .arg(options.seed)
              .arg(options.events)
              .arg(options.length));
    TextBoxPair pair;
    std::map<QString, int> kinds;
    std::map<QString, int> chosen; // ended by a difference we chose
    qint64 made = 0;
    int sequences = 0;
    QElapsedTimer clock;
    clock.start();
    for (quint64 seed = options.seed; made < options.events; ++seed, ++sequences) {
        RandomGestures random(seed);
        const QString text = random.text();
        const std::vector<Gesture> gestures = random.gestures(options.length);
        const auto divergence = DifferentialRun::run(pair, text, gestures);
        made += divergence ? qint64(divergence->index) + 1 : options.length;
        if (divergence && divergence->chosen) {
            ++chosen[divergence->kind];
        } else if (divergence) {
            std::fprintf(stderr, "seed %llu: %s\n", static_cast<unsigned long long>(seed),
                         divergence->kind.toLocal8Bit().constData());
            if (kinds[divergence->kind]++ == 0) {
                const auto shortest = DifferentialRun::shrink(pair, text, gestures);
                if (const auto again = DifferentialRun::run(pair, text, shortest))
                    print(QStringLiteral("\nseed %1, %2")
                              .arg(seed)
                              .arg(DifferentialRun::report(pair, text, shortest, *again)));
                else // what came before the sequence matters
                    print(
                        QStringLiteral("\nseed %1 after %2, which does not differ alone: "
                                       "gesture %3, %4\n  QPlainTextEdit %5\n  ours           %6\n")
                            .arg(seed)
                            .arg(seed - 1)
                            .arg(divergence->index + 1)
                            .arg(gestures[divergence->index].describe(),
                                 divergence->reference.describe(), divergence->ours.describe()));
            }
        }
        if (sequences % 500 == 0)
            std::fprintf(stderr, "%lld events, %lld s\n", made, clock.elapsed() / 1000);
    }
    int total = 0;
    print(QStringLiteral("\n%1 events in %2 sequences, %3 s\n")
              .arg(made)
              .arg(sequences)
              .arg(clock.elapsed() / 1000));
    for (const auto& [kind, count] : kinds) {
        print(QStringLiteral("%1  %2\n").arg(count, 6).arg(kind));
        total += count;
    }
    print(QStringLiteral("%1 sequences differed\n").arg(total));
    for (const auto& [kind, count] : chosen)
        print(QStringLiteral("%1  %2 (chosen)\n").arg(count, 6).arg(kind));
    return total == 0 ? 0 : 1;
}
