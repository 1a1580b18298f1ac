#pragma once

// What a screen reader finds in the moments feed: a list named as the section,
// one item a moment, read as its author, time, text and counts. A moment shown now
// is its row's widget, so its like button, comment field and Send are the item's
// own (nested) children and the focus in them is found through the item; a moment
// scrolled far away is read from its data alone.
namespace MomentFeedAccessible {

// Makes every MomentFeedView and MomentRow answer this way; once per process is enough.
void install();

} // namespace MomentFeedAccessible
