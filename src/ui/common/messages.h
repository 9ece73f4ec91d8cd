// Message boxes of the screens, through one seam that tests answer instead of a person.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ferolind::ui {

enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };
enum class Kind { Information, Question, Error };

// Replaces the message boxes (tests); an empty handler restores them.
using MessageHandler = std::function<Answer(Kind kind, const QString& text, Buttons buttons)>;
void setMessageHandler(MessageHandler handler);

// A notice with one button.
void inform(QWidget* parent, const QString& text);
// A question with Ja/Nein or Ja/Nein/Abbrechen.
Answer ask(QWidget* parent, const QString& text, Buttons buttons = Buttons::YesNo);
// Every question that deletes or overwrites ("... wirklich löschen?", restore, reset):
// Ja/Nein with "Nein" as the default button, so that Enter never deletes.
Answer askDelete(QWidget* parent, const QString& text);
// The standard error box: an error's own text; the program keeps running.
void showError(QWidget* parent, const QString& text);

// Runs an action and shows any error it raises in the standard error box.
// Returns false when it failed.
bool guarded(QWidget* parent, const std::function<void()>& action);

}  // namespace ferolind::ui
