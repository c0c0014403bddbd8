#include "vesperlinedoc.h"

#include "res/texts.h"

#include <QFile>
#include <QFileInfo>

int32_t g_threadCount = 0;

CVesperlineDoc::CVesperlineDoc(QObject* parent)
    : QObject(parent)
{
}

CVesperlineDoc::~CVesperlineDoc()
{
    --g_threadCount;
}

bool CVesperlineDoc::OnNewDocument()
{
    ++g_threadCount;
    SetTitle(QString::fromLatin1(txt::ThreadTitlePrefix) + QString::number(g_threadCount));
    return true;
}

bool CVesperlineDoc::OnOpenDocument(const QString& path)
{
    // Nothing is read: the document has no content.
    setPathName(path);
    return true;
}

bool CVesperlineDoc::OnSaveDocument(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    file.close();
    setPathName(path);
    return true;
}

void CVesperlineDoc::SetTitle(const QString& title)
{
    if (title == m_title) return;
    m_title = title;
    emit titleChanged(title);
}

void CVesperlineDoc::setPathName(const QString& path)
{
    m_path = path;
    SetTitle(QFileInfo(path).fileName());
}
