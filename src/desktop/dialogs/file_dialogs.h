#pragma once
// The movie page's two file dialogs, Qt's own, made wide enough that their Japanese column
// headers and file names are not cut.

#include <QString>

class QWidget;

namespace kalidor {

// The chosen file's path, or an empty text when the user cancels.
QString ChooseFileToOpen(QWidget* parent, const QString& filter);
// Asks nothing about replacing a file: the export asks before it replaces a movie.
QString ChooseFileToSave(QWidget* parent, const QString& filter);

}  // namespace kalidor
