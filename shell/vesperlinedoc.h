#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

// Number used for the next new document's title: raised by each new
// document, lowered by each document's destruction (so titles follow the
// count of open documents, not a running serial number).
extern int32_t g_threadCount;

// The document of one console window. It holds no data: its title names the
// window, and saving it writes an empty file.
class CVesperlineDoc : public QObject {
    Q_OBJECT
public:
    explicit CVesperlineDoc(QObject* parent = nullptr);
    ~CVesperlineDoc() override;

    // Titles a new document "Thread " + the raised count.
    bool OnNewDocument();
    // A document opened from a file: titled by the file's name, count unchanged.
    bool OnOpenDocument(const QString& path);
    // Writes the (empty) document to `path`; takes the path and its name.
    bool OnSaveDocument(const QString& path);
    // Closing never asks to save.
    bool SaveModified() { return true; }

    QString GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    QString GetPathName() const { return m_path; }

signals:
    void titleChanged(const QString& title);

private:
    void setPathName(const QString& path);

    QString m_title;
    QString m_path;
};
