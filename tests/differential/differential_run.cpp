#include "tests/differential/differential_run.h"

#include "tests/differential/chosen_differences.h"
#include "tests/differential/text_box_pair.h"

namespace {

QString kindName(Gesture::Kind kind) {
    using K = Gesture::Kind;
    switch (kind) {
    case K::Key:
        return QStringLiteral("key");
    case K::Click:
        return QStringLiteral("click");
    case K::MiddleClick:
        return QStringLiteral("middle click");
    case K::DoubleClick:
        return QStringLiteral("double click");
    case K::TripleClick:
        return QStringLiteral("triple click");
    case K::Drag:
        return QStringLiteral("drag");
    case K::WordDrag:
        return QStringLiteral("word drag");
    case K::LineDrag:
        return QStringLiteral("line drag");
    case K::Wheel:
        return QStringLiteral("wheel");
    case K::Pause:
        return QStringLiteral("pause");
    }
    return {};
}

} // namespace

std::optional<DifferentialRun::Divergence>
DifferentialRun::run(TextBoxPair& pair, const QString& text, const std::vector<Gesture>& gestures) {
    pair.setText(text);
    for (size_t i = 0; i < gestures.size(); ++i) {
        const Gesture& g = gestures[i];
        if (ChosenDifferences::skips(g, pair))
            continue;
        pair.apply(g);
        const BoxState reference = pair.reference();
        const BoxState ours = pair.ours();
        if (reference != ours) {
            QString kind = kindName(g.kind);
            if (g.modifiers & Qt::ShiftModifier)
                kind.prepend(QStringLiteral("Shift+"));
            if (g.modifiers & Qt::ControlModifier)
                kind.prepend(QStringLiteral("Ctrl+"));
            const QStringList differences = reference.differences(ours);
            return Divergence{i,
                              kind + QStringLiteral(": ") + differences.join(QStringLiteral(", ")),
                              reference, ours, ChosenDifferences::explains(differences, pair)};
        }
    }
    return std::nullopt;
}

std::vector<Gesture> DifferentialRun::shrink(TextBoxPair& pair, const QString& text,
                                             std::vector<Gesture> gestures) {
    const auto differs = [&](const std::vector<Gesture>& sequence) {
        auto divergence = run(pair, text, sequence);
        return divergence && !divergence->chosen ? divergence : std::nullopt;
    };
    if (const auto first = differs(gestures))
        gestures.resize(first->index + 1);
    for (size_t chunk = gestures.size() / 2; chunk >= 1; chunk /= 2) {
        for (size_t start = 0; start + chunk <= gestures.size() && gestures.size() > 1;) {
            std::vector<Gesture> fewer = gestures;
            fewer.erase(fewer.begin() + qsizetype(start), fewer.begin() + qsizetype(start + chunk));
            if (const auto divergence = differs(fewer)) {
                fewer.resize(divergence->index + 1);
                gestures = std::move(fewer);
            } else {
                start += chunk;
            }
        }
    }
    return gestures;
}

QString DifferentialRun::report(TextBoxPair& pair, const QString& text,
                                const std::vector<Gesture>& gestures,
                                const Divergence& divergence) {
    QString shown = text;
    shown.replace(u'\t', QStringLiteral("\\t"));
    QString out = QStringLiteral("text (%1 lines):\n%2\n%3 gestures:\n")
                      .arg(text.count(u'\n') + 1)
                      .arg(shown)
                      .arg(gestures.size());
    // Replayed, so that each gesture shows where it left both carets.
    pair.setText(text);
    for (size_t i = 0; i < gestures.size(); ++i) {
        const bool skipped = ChosenDifferences::skips(gestures[i], pair);
        if (!skipped)
            pair.apply(gestures[i]);
        const BoxState reference = pair.reference();
        const BoxState ours = pair.ours();
        const auto where = [](const BoxState& state) {
            return QStringLiteral("%1,%2,%3,%4")
                .arg(state.anchor)
                .arg(state.caret)
                .arg(state.topLine)
                .arg(state.left);
        };
        out += QStringLiteral("  %1. %2%3\n       anchor, caret, top line, left: %4 and ours %5\n")
                   .arg(i + 1)
                   .arg(gestures[i].describe(), skipped ? QStringLiteral(" (skipped)") : QString())
                   .arg(where(reference), where(ours));
    }
    out += QStringLiteral("after gesture %1 (%2):\n  QPlainTextEdit %3\n  ours           %4\n")
               .arg(divergence.index + 1)
               .arg(divergence.kind, divergence.reference.describe(), divergence.ours.describe());
    return out;
}
