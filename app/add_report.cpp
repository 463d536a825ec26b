#include "app/add_report.h"

void AddReport::AddRefusal(const QString& path, const QString& reason) {
    m_refusals << tr("%1 — 対応していないファイルです: %2").arg(path, reason);
}

void AddReport::AddLinkLeadingOutside(const QString& path) {
    m_folders << tr("%1 — フォルダの外を指すリンクのため読みませんでした").arg(path);
}

void AddReport::AddUnreadFolder(const QString& path, const QString& reason) {
    m_folders << tr("%1 — フォルダを読めませんでした: %2").arg(path, reason);
}

bool AddReport::IsEmpty() const {
    return m_folders.isEmpty() && m_refusals.isEmpty() && m_duplicates == 0 &&
           m_namedLikeOutputs == 0;
}

QString AddReport::Heading() const {
    const qsizetype notAdded = m_duplicates + m_namedLikeOutputs + m_refusals.size();
    return tr("追加しなかったファイルがあります（追加したファイル: %1、追加しなかったファイル: %2）")
        .arg(QString::number(m_added), QString::number(notAdded));
}

QStringList AddReport::Lines(const QString& suffix) const {
    QStringList lines;
    if (m_duplicates > 0)
        lines << tr("既にリストに登録されているため追加しなかったファイル: %1").arg(m_duplicates);
    if (m_namedLikeOutputs > 0)
        lines << tr("名前がサフィックス「%1」で終わるため追加しなかったファイル（以前の出力）: %2")
                     .arg(suffix, QString::number(m_namedLikeOutputs));
    lines << m_folders << m_refusals;
    return lines;
}
