// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QUrl>

// Another device on the same address book: vdirsyncer keeping a folder of .vcf files in
// step with the server, the way a second, independent client does. Cards are read and
// written as files of that folder, by UID.
class SecondClient
{
public:
    // A client of the book in folder (made here); false with the reason when vdirsyncer
    // is missing or cannot reach the book.
    bool start(const QString& folder, const QUrl& book, const QString& user, const QString& password, QString& error)
    {
        m_folder = folder;
        QDir().mkpath(folder + "/cards");
        QDir().mkpath(folder + "/status");
        QFile config(folder + "/config");
        if (!config.open(QIODevice::WriteOnly)) {
            error = config.errorString();
            return false;
        }
        config.write(QString("[general]\nstatus_path = \"%1/status/\"\n\n"
                             "[pair book]\na = \"cards\"\nb = \"server\"\ncollections = null\n"
                             "conflict_resolution = \"b wins\"\n\n"
                             "[storage cards]\ntype = \"filesystem\"\npath = \"%1/cards/\"\nfileext = \".vcf\"\n\n"
                             "[storage server]\ntype = \"carddav\"\nurl = \"%2\"\nusername = \"%3\"\n"
                             "password = \"%4\"\n")
                         .arg(folder, book.toString(), user, password)
                         .toUtf8());
        config.close();
        const TestSupport::ChildRun run = vdirsyncer({"discover"});
        if (run.exitCode != 0) {
            error = run.exitCode == -1 && run.errors.isEmpty()
                        ? QString("vdirsyncer cannot be run (Debian package vdirsyncer)")
                        : QString::fromUtf8(run.errors);
            return false;
        }
        return true;
    }
    // One sync of the folder with the server; "" or what went wrong.
    QString sync()
    {
        const TestSupport::ChildRun run = vdirsyncer({"sync"});
        return run.exitCode == 0 ? QString() : QString::fromUtf8(run.output + run.errors);
    }
    // The cards of the folder by UID.
    QMap<QString, QByteArray> cards() const
    {
        QMap<QString, QByteArray> byUid;
        for (const QString& name : QDir(m_folder + "/cards").entryList({"*.vcf"}, QDir::Files)) {
            QFile file(m_folder + "/cards/" + name);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray card = file.readAll();
                byUid.insert(uidOf(card), card);
            }
        }
        return byUid;
    }
    // Writes the card over the file of its UID, or as a new file.
    bool write(const QByteArray& card) const
    {
        QString name = uidOf(card) + ".vcf";
        for (const QString& existing : QDir(m_folder + "/cards").entryList({"*.vcf"}, QDir::Files)) {
            QFile file(m_folder + "/cards/" + existing);
            if (file.open(QIODevice::ReadOnly) && uidOf(file.readAll()) == uidOf(card))
                name = existing;
        }
        QFile file(m_folder + "/cards/" + name);
        return file.open(QIODevice::WriteOnly) && file.write(card) == card.size();
    }
    static QString uidOf(const QByteArray& card)
    {
        for (const QByteArray& line : card.split('\n'))
            if (line.startsWith("UID:"))
                return QString::fromUtf8(line.mid(4)).trimmed();
        return QString();
    }

private:
    TestSupport::ChildRun vdirsyncer(QStringList arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LANG", "C.UTF-8");
        environment.insert("LC_ALL", "C.UTF-8");
        arguments.prepend(m_folder + "/config");
        arguments.prepend("-c");
        return TestSupport::runChild("vdirsyncer", arguments, environment, 120000);
    }

    QString m_folder;
};
