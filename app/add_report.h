#pragma once
// What one add (the file chooser, a folder, a drop, the command line) left out of the
// input list, gathered so that the user reads one message for the whole add instead of a
// box per file.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class AddReport {
    Q_DECLARE_TR_FUNCTIONS(AddReport)

  public:
    // A file the conversion would not read, with the reason in the user's language.
    void AddRefusal(const QString& path, const QString& reason);
    // A file that went into the list.
    void AddAdded() { ++m_added; }
    // A file that is listed already, under this or another name.
    void AddDuplicate() { ++m_duplicates; }
    // Files left out because they are named like outputs of the suffix.
    void AddNamedLikeOutputs(int count) { m_namedLikeOutputs += count; }
    // A link in a scanned folder to a folder outside it, not followed.
    void AddLinkLeadingOutside(const QString& path);
    // A folder the scan could not read, with the system's reason.
    void AddUnreadFolder(const QString& path, const QString& reason);

    // Nothing was left out (files added or not).
    bool IsEmpty() const;
    // The totals: how many files this add listed and how many it left out.
    QString Heading() const;
    // The counts first, then the folders left out, so that they stay in view above a long
    // list of refused files.
    QStringList Lines(const QString& suffix) const;

  private:
    QStringList m_folders;
    QStringList m_refusals;
    int m_added = 0;
    int m_duplicates = 0;
    int m_namedLikeOutputs = 0;
};
