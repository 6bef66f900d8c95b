#include "tests/support/tempprogramfolder.h"

#include "common/events/program.h"
#include "common/text/files.h"

#include <QDir>
#include <QFile>

TempProgramFolder::TempProgramFolder()
    : m_previous_current(QDir::currentPath()), m_previous_program_directory(common::program_directory())
{
    m_entered = m_dir.isValid() && common::enter_program_folder(m_dir.path().toStdString());
}

TempProgramFolder::~TempProgramFolder()
{
    QDir::setCurrent(m_previous_current);
    common::set_program_directory(m_previous_program_directory);
}

bool TempProgramFolder::write_file(const QString& name, const QByteArray& bytes) const
{
    QFile file(file_path(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray TempProgramFolder::read_file(const QString& name) const
{
    QFile file(file_path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
}

bool TempProgramFolder::exists(const QString& name) const
{
    return QFile::exists(file_path(name));
}

QStringList TempProgramFolder::file_names() const
{
    return QDir(path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
