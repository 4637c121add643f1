// The three kinds of error handler a member can set up.  Setting one up
// clears the current error record; an error in the body fills it and runs
// the handler; leaving after the handler clears it again.
#pragma once

#include <string>
#include <utility>

#include "frame/error.h"

namespace kt {

// Kinds 1 and 2: run body; on any error run handler (which may set fallback
// results or write a report line) and leave without letting the error out.
template <class Body, class Handler>
void OnErrorLeave(Body&& body, Handler&& handler) {
  Err().Clear();
  try {
    std::forward<Body>(body)();
    Err().Clear();
    return;
  } catch (...) {
    CaptureCurrentException();
  }
  std::forward<Handler>(handler)();
  Err().Clear();
}

template <class Body>
void OnErrorLeave(Body&& body) {
  OnErrorLeave(std::forward<Body>(body), [] {});
}

// Kind 3: any error leaves the member with the current number and
// description and a source of the member's own.
template <class Body>
void OnErrorRaiseAgain(std::string source, Body&& body) {
  Err().Clear();
  try {
    std::forward<Body>(body)();
    Err().Clear();
    return;
  } catch (...) {
    CaptureCurrentException();
  }
  ErrRecord again = Err();
  again.source = std::move(source);
  Raise(again);
}

}  // namespace kt
