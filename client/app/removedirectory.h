#pragma once

#include <QString>
#include <QStringList>

// Removes the folder `path` with its content, sparing every entry whose absolute path stands in
// `keep` (a kept folder stays whole, and so do the folders above it). Hidden and special entries
// are left alone. A link is removed as a link: what it points at is never touched.
// Returns false for an empty or kept path, true when the folder is gone afterwards (also when
// there was none to begin with).
bool removeDirectoryRecursively(const QString &path, const QStringList &keep);
