// Access to the process-wide global interface table for the system's COM
// components, and the one-shot in-process marshalling stream. None of these
// functions reports to the event log: every status is the table's or the
// marshalling call's own.
//
// Thread safety: InitGIT belongs to start-up (it writes g_pGIT without a
// lock); afterwards the three table functions may be called from any thread.
#pragma once

#include "vekconfig/com_runtime.h"

// The table, set by InitGIT and never released. Null until InitGIT succeeds.
extern VEK_API IGlobalInterfaceTable* g_pGIT;

// Creates (fetches) the table into g_pGIT. A second call overwrites g_pGIT
// without releasing the reference held before. Returns CoCreateInstance's status.
VEK_API HRESULT InitGIT();
// Registers the interface; *cookie receives the table's cookie. E_FAIL,
// with the cookie untouched, before InitGIT has succeeded.
VEK_API HRESULT WritePtrToGlobalVariable(IUnknown* object, REFIID iid, DWORD* cookie);
// A new reference to the registered interface for the caller. A revoked or
// unknown cookie: E_INVALIDARG. E_FAIL, untouched, before InitGIT.
VEK_API HRESULT ReadPtrFromGlobalVariable(DWORD cookie, REFIID iid, IUnknown** object);
// Revokes the cookie. A revoked or unknown cookie: E_INVALIDARG. E_FAIL before InitGIT.
VEK_API HRESULT RemovePtrFromGlobalVariable(DWORD cookie);
// Marshals the interface (MSHCTX_INPROC, MSHLFLAGS_NOPING) into a new memory
// stream, rewound to its start for one unmarshal on the receiving thread.
// Returns the status of the first failing step or of the final seek; the
// caller owns and releases *stream whenever it is set (also when the
// marshalling failed).
VEK_API HRESULT MarshalInterfaceInStreamNoPing(REFIID iid, IUnknown* object, IStream** stream);
