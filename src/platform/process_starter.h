#pragma once

#include <QString>
#include <QStringList>

// Starts outside programs (and the program itself on restart) without
// waiting for them. The program-wide starter can be replaced, so tests see
// what would be started instead of starting it.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // True when the program was started.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;

    static ProcessStarter& instance();
    // Replaces the program-wide starter; nullptr puts the real one back.
    static void setInstance(ProcessStarter* starter);
};

class DetachedProcessStarter final : public ProcessStarter {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override;
};
