// The DirectDraw 7 object the factory hands out.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <atomic>

namespace platform {

class DirectDraw7 : public IDirectDraw7 {
 public:
  DirectDraw7();
  virtual ~DirectDraw7();

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace platform
