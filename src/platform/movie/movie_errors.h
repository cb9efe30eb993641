// Statuses of the movie toolbox, with the platform's numbers. File-system statuses (dskFulErr,
// wrPermErr, ioErr, fnfErr, dupFNErr) are those of platform/types.h.
#pragma once

#include "platform/types.h"

constexpr OSErr dirNFErr = -120;                // the destination's directory does not exist
constexpr OSErr couldNotResolveDataRef = -2000; // a data reference names no usable file
constexpr OSErr badImageDescription = -2001;    // a sample description is malformed
constexpr OSErr invalidMedia = -2008;
constexpr OSErr invalidTrack = -2009;
constexpr OSErr invalidMovie = -2010;
constexpr OSErr invalidDataRef = -2012;
constexpr OSErr invalidDuration = -2014;
constexpr OSErr invalidTime = -2015;
constexpr OSErr userDataItemNotFound = -2026;
constexpr OSErr badTrackIndex = -2028;
constexpr OSErr trackNotInMovie = -2030;
constexpr OSErr dataAlreadyClosed = -2045; // the movie's storage was closed or has failed
constexpr OSErr badDataRefIndex = -2050;
constexpr OSErr featureUnsupported = -2053;
constexpr OSErr invalidRect = -2036;            // an empty or inverted rectangle
// A media handler without the call asked of it (a timecode call on a video media): the 16-bit form of
// the component manager's badComponentSelector.
constexpr OSErr mediaHandlerSelectorErr = -32766;
