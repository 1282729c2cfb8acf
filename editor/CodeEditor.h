#pragma once
// The code editor control without its window: line store, undo history and the model of
// caret, selection, editing, scrolling and input. The Qt widget is TCodeEdit.h.

#include "Colors.h"
#include "EditorTypes.h"
#include "TClipboard.h"
#include "TEditorCore.h"
#include "TEditorView.h"
#include "TLines.h"
#include "TUndo.h"
