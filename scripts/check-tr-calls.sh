#!/usr/bin/env bash
# Fails when widget code hands a user-visible text straight to the screen without tr(): a plain
# or QStringLiteral literal holding a word, given to a label, button, menu, tooltip, title,
# status bar or message box. Such a text would stay English in French.
#   scripts/check-tr-calls.sh [FILE...]   (default: the widget folders)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  set -- app/*.cpp views/*.cpp plannerui/*.cpp computer/*.cpp
fi
shown='(setText|setToolTip|setWindowTitle|setPlaceholderText|setStatusTip|addAction|showMessage|setTabText|addTab|setHeaderLabels|QLabel|QPushButton|QCheckBox|QRadioButton|QGroupBox|QMenu|QAction|QMessageBox::(critical|warning|information|question))'
literal='(QStringLiteral\(|QLatin1String\(|QString\()?"[^"%]*[A-Za-z]{3}'
# A literal as the first argument, or after the parent/title of a message box.
found=$(grep -nE "${shown}\(\s*${literal}|QMessageBox::(critical|warning|information|question)\([^,]+,\s*${literal}" "$@" \
  | grep -vE 'tr\(|translate\(|setObjectName' || true)
if [ -n "$found" ]; then
  echo "user-visible text without tr():" >&2
  echo "$found" >&2
  exit 1
fi
echo "every user-visible literal goes through tr()"
