#pragma once

class QPainter;

namespace kresbon {

class DrawingRecord;

// Paints the recorded shapes of a run onto painter, in the drawing's pixel
// space: the caller's transform places and sizes the drawing. Printing as
// vectors draws the page with it.
void PaintRecordOn(QPainter& painter, const DrawingRecord& record);

}  // namespace kresbon
