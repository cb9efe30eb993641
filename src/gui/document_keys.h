// The keyboard habits of the field on a document window: ← and → step one frame, I and O mark in
// and out, Home and End go to the in and out points. They act as the user's own use of the slider
// and the buttons would, and not while a text field is being typed in (the field keeps its keys).
#pragma once

#include <memory>

class DPXMovieFile;

/// Adds the shortcuts to the document's window; they live as long as it.
void installDocumentKeys(const std::shared_ptr<DPXMovieFile>& document);
