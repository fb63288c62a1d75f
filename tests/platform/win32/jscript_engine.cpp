#include "jscript_engine.h"

#include <atomic>
#include <memory>

namespace browser_testing {

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class engine_site final : public IActiveScriptSite {
 public:
  engine_site(IDispatch* external, std::vector<script_error>& errors)
      : external_(external), errors_(errors) {}
  virtual ~engine_site() = default;
  engine_site(const engine_site&) = delete;
  engine_site& operator=(const engine_site&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IActiveScriptSite)) {
      *object = static_cast<IActiveScriptSite*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) std::unique_ptr<engine_site> last(this);
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetLCID(LCID* locale) override {
    if (locale) *locale = LOCALE_USER_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                                        ITypeInfo** info) override {
    if (info) *info = nullptr;
    if (item) *item = nullptr;
    if (name == nullptr || std::wstring(name) != L"external") return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_ITYPEINFO) != 0) return E_NOTIMPL;
    if ((mask & SCRIPTINFO_IUNKNOWN) != 0 && item) {
      *item = external_;
      external_->AddRef();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override {
    if (version) *version = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
    script_error seen;
    EXCEPINFO info{};
    if (error && SUCCEEDED(error->GetExceptionInfo(&info))) {
      seen.code = info.scode != 0 ? info.scode : static_cast<HRESULT>(info.wCode);
      if (info.bstrDescription) seen.description = info.bstrDescription;
      SysFreeString(info.bstrSource);
      SysFreeString(info.bstrDescription);
      SysFreeString(info.bstrHelpFile);
    }
    errors_.push_back(seen);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

 private:
  std::atomic<ULONG> references_{1};
  IDispatch* external_;
  std::vector<script_error>& errors_;
};
#pragma GCC diagnostic pop

}  // namespace

jscript_engine::jscript_engine(IDispatch* external) {
  CLSID engine_class{};
  if (FAILED(CLSIDFromProgID(L"JScript", &engine_class))) {
    problem_ = "no JScript engine is registered";
    return;
  }
  if (FAILED(CoCreateInstance(engine_class, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                              engine_.put_void()))) {
    problem_ = "the JScript engine cannot be created";
    return;
  }
  parser_ = engine_.query<IActiveScriptParse>(__uuidof(IActiveScriptParse));
  if (!parser_ || FAILED(parser_->InitNew())) {
    problem_ = "the JScript engine cannot parse";
    return;
  }
  platform::win32::com_ptr<engine_site> site(
      std::make_unique<engine_site>(external, errors_).release());
  if (FAILED(engine_->SetScriptSite(site.get())) ||
      FAILED(engine_->AddNamedItem(L"external", SCRIPTITEM_ISVISIBLE)) ||
      FAILED(engine_->SetScriptState(SCRIPTSTATE_CONNECTED))) {
    problem_ = "the JScript engine does not take the external item";
    return;
  }
  ready_ = true;
}

jscript_engine::~jscript_engine() {
  // Closing drops the engine's references to the site and the external object.
  if (engine_) engine_->Close();
}

HRESULT jscript_engine::run(const std::wstring& code) {
  EXCEPINFO info{};
  const HRESULT outcome = parser_->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                                  0, nullptr, &info);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return outcome;
}

HRESULT jscript_engine::evaluate(const std::wstring& expression, VARIANT& result) {
  VariantClear(&result);
  EXCEPINFO info{};
  const HRESULT outcome = parser_->ParseScriptText(expression.c_str(), nullptr, nullptr, nullptr,
                                                  0, 0, SCRIPTTEXT_ISEXPRESSION, &result, &info);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return outcome;
}

}  // namespace browser_testing
