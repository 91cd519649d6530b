#pragma once
// A QThread that runs one callback; reused, each time after a new SetFunc.

#include <QString>
#include <QThread>

class CMyThread : public QThread
{
    Q_OBJECT
public:
    using Func = void (*)(void* pParams, QString QstrParams);

    explicit CMyThread(QObject* parent = nullptr);
    void SetFunc(Func func, void* pParams, QString QstrParams);

protected:
    void run() override;

private:
    Func m_func = nullptr;
    void* m_pParams = nullptr;
    QString m_QstrParams;
};
