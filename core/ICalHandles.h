// Owning handles for libical's objects and strings, so that every path out of a function
// frees them.
#pragma once

#include <libical/ical.h>

#include <memory>

struct TICalComponentFree {
  void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
struct TICalPropertyFree {
  void operator()(icalproperty* property) const { icalproperty_free(property); }
};
struct TICalParserFree {
  void operator()(icalparser* parser) const { icalparser_free(parser); }
};
struct TICalBufferFree {
  void operator()(char* buffer) const { icalmemory_free_buffer(buffer); }
};

using TICalComponent = std::unique_ptr<icalcomponent, TICalComponentFree>;
using TICalProperty = std::unique_ptr<icalproperty, TICalPropertyFree>;
using TICalParser = std::unique_ptr<icalparser, TICalParserFree>;
using TICalString = std::unique_ptr<char, TICalBufferFree>;
