#pragma once

// Damaged copies of a sound file, made in code so that every reader meets the same kinds of
// damage: every cut of the file, random bytes, the file with a few bytes overwritten, and the file
// with a run of one byte in place of a count or length. The seed is fixed, so a failure comes
// back on the next run.

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <vector>

struct TDamagedInput {
    QString kind; // "cut", "noise", "overwritten", "huge"; with the case's number for messages
    QByteArray bytes;
};

// Every cut of good shorter than good (step > 1 keeps one cut in step, for large files); noise
// files of random bytes of random length up to maxNoise; overwritten copies of good with one to
// four bytes replaced at random; and good with 64 KiB of '9' or 0xFF at each of a few positions.
inline std::vector<TDamagedInput> DamagedCorpus(const QByteArray& good, quint32 seed, int noise = 150,
                                                int overwritten = 150, int step = 1, int maxNoise = 1500) {
    std::vector<TDamagedInput> corpus;
    QRandomGenerator random(seed);
    for (qsizetype n = 0; n < good.size(); n += step)
        corpus.push_back({QStringLiteral("cut %1").arg(n), good.left(n)});
    for (int i = 0; i < noise; ++i) {
        QByteArray bytes(random.bounded(1, maxNoise + 1), '\0');
        for (char& b : bytes)
            b = char(random.bounded(256));
        corpus.push_back({QStringLiteral("noise %1").arg(i), bytes});
    }
    for (int i = 0; i < overwritten && !good.isEmpty(); ++i) {
        QByteArray bytes = good;
        for (int k = random.bounded(1, 5); k > 0; --k)
            bytes[random.bounded(int(good.size()))] = char(random.bounded(256));
        corpus.push_back({QStringLiteral("overwritten %1").arg(i), bytes});
    }
    for (const char fill : {'9', char(0xFF)})
        for (qsizetype at : {qsizetype(0), good.size() / 3, good.size() - 1})
            corpus.push_back({QStringLiteral("huge %1 at %2").arg(int(uchar(fill))).arg(at),
                              good.left(at) + QByteArray(64 * 1024, fill) + good.mid(at)});
    return corpus;
}
