#pragma once

#include <string>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test: entered (current directory and program directory) on
// construction, left again and removed on destruction.
class TempProgramFolder final
{
    Q_DISABLE_COPY_MOVE(TempProgramFolder)

public:
    TempProgramFolder();
    ~TempProgramFolder();

    bool valid() const { return m_entered; }
    QString path() const { return m_dir.path(); }
    QString file_path(const QString& name) const { return m_dir.filePath(name); }

    // Plain file access for arranging and checking a test; names relative to the folder.
    bool write_file(const QString& name, const QByteArray& bytes) const;
    QByteArray read_file(const QString& name) const;
    bool exists(const QString& name) const;
    // The names of the files in the folder, sorted, hidden ones included.
    QStringList file_names() const;

private:
    QTemporaryDir m_dir;
    QString m_previous_current;
    std::string m_previous_program_directory;
    bool m_entered = false;
};
