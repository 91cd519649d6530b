#include "cmythread.h"

CMyThread::CMyThread(QObject* parent) : QThread(parent) {}

void CMyThread::SetFunc(Func func, void* pParams, QString QstrParams)
{
    m_func = func;
    m_pParams = pParams;
    m_QstrParams = QstrParams;
}

void CMyThread::run()
{
    if (m_func)
        m_func(m_pParams, QString(m_QstrParams));
}
