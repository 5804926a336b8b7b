// QueryInterface for the platform's COM objects that offer IUnknown and one
// interface of their own.
#pragma once

#include <windows.h>

#include "base/faults.h"

namespace platform {

// Hands out `self` (with a new reference) for IUnknown or `offered`; a fault
// injected for `operation` ("Interface::QueryInterface") fails it first.
template <typename Interface>
HRESULT AnswerQueryInterface(Interface *self, const char *operation, REFIID asked, REFIID offered,
                             void **object) {
  if (object == nullptr) return E_POINTER;
  HRESULT fault;
  if (TakeFault(operation, &fault)) {
    *object = nullptr;
    return fault;
  }
  if (IsEqualGUID(asked, IID_IUnknown) || IsEqualGUID(asked, offered)) {
    self->AddRef();
    *object = self;
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

}  // namespace platform
