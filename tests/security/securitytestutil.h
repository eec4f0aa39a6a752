#pragma once
// Shared pieces of the password tests: a temporary "win.ini" and scripted
// users of the two password dialogs.
#include "platform/widgets/dialogs.h"
#include "security/getpasswdfrm.h"
#include "security/passwdfrm.h"

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <string>

// A "win.ini" path in a directory that does not exist yet.
struct TTempIni {
    QTemporaryDir Dir;
    QString Path = Dir.filePath("config/kadrolin/win.ini");

    void Write(const std::string &bytes) const {
        QDir().mkpath(Dir.filePath("config/kadrolin"));
        QFile f(Path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes.data(), qint64(bytes.size()));
    }
    std::string Bytes() const {
        QFile f(Path);
        if (!f.open(QIODevice::ReadOnly)) return "<missing>";
        return f.readAll().toStdString();
    }
};

// Plays a user at the password dialogs: each enter-password dialog gets the
// attempts in order (Tamam after each) and then İptal when none matched;
// each change-password dialog gets (old, new) and Tamam, then İptal when it
// stays open. Message boxes are answered from Answers, else OK; their texts
// are collected.
struct TPasswordUser {
    std::vector<QStringList> Attempts;                // one list per enter-password dialog
    std::vector<std::pair<QString, QString>> Changes; // one (old, new) per change dialog
    std::vector<int> Answers;                         // answers to questions, in order
    QStringList Messages;                             // every message box text
    int EnterDialogs = 0, ChangeDialogs = 0;

    void Install(TScriptedDialogs &dialogs) {
        dialogs.AnswerWith([this](const TDialogCall &c) { return Answer(c); });
    }

    int Answer(const TDialogCall &c) {
        if (c.Kind != "Modal") {
            Messages << c.Text;
            if (c.Buttons & mbYes) {
                if (Answers.empty()) return int(mrNo);
                int a = Answers.front();
                Answers.erase(Answers.begin());
                return a;
            }
            return int(mrOk);
        }
        if (auto *d = qobject_cast<TGetPassWdFrm *>(c.Dialog.data())) {
            const QStringList tries =
                size_t(EnterDialogs) < Attempts.size() ? Attempts[size_t(EnterDialogs)] : QStringList();
            ++EnterDialogs;
            for (const QString &t : tries) {
                d->Edit1->setText(t);
                d->BitBtn1->click();
                if (d->result() == QDialog::Accepted) return QDialog::Accepted;
            }
            d->BitBtn2->click();
            return d->result();
        }
        if (auto *d = qobject_cast<TPassWdFrm *>(c.Dialog.data())) {
            const size_t i = size_t(ChangeDialogs++);
            if (i < Changes.size()) {
                if (d->EdtEskiSifre->isEnabled()) d->EdtEskiSifre->setText(Changes[i].first);
                d->EdtYeniSifre->setText(Changes[i].second);
                d->BitBtn1->click();
                if (d->result() == QDialog::Accepted) return QDialog::Accepted;
            }
            d->BitBtn2->click();
            return d->result();
        }
        return int(mrCancel);
    }
};
