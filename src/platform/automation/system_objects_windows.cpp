// COM automation: an IDispatch reached by ProgID becomes an Object whose members are called by
// name (GetIDsOfNames, then Invoke), with the arguments and the result converted between
// Variant and VARIANT. A failing call comes back as a Chinese text that names the member.
#include "platform/automation/system_objects.hpp"

#include "measure/numtext.hpp"
#include "window/program_paths.hpp"

#include <chrono>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

namespace tarnelo::automation {

namespace {

std::wstring wide(std::string_view text) {
    return paths::fromUtf8(text).wstring();
}

std::string utf8(const wchar_t* text, std::size_t length) {
    return paths::toUtf8(std::filesystem::path(std::wstring(text, length)));
}

std::string utf8(BSTR text) {
    return text == nullptr ? std::string() : utf8(text, ::SysStringLen(text));
}

// The system's own words for a result code, when it has any.
std::string systemText(HRESULT code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length > 0 ? utf8(buffer, length) : std::string();
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

// What a result code means to the user; the code itself goes in brackets for support.
std::string describe(HRESULT code) {
    std::string text;
    switch (code) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
        text = "没有这个成员，或不能这样调用";
        break;
    case DISP_E_TYPEMISMATCH:
        text = "参数类型不对";
        break;
    case DISP_E_BADPARAMCOUNT:
        text = "参数个数不对";
        break;
    case DISP_E_PARAMNOTOPTIONAL:
        text = "缺少必需的参数";
        break;
    case DISP_E_OVERFLOW:
        text = "数值超出范围";
        break;
    case RPC_E_CALL_REJECTED:
    case RPC_E_SERVERCALL_RETRYLATER:
        text = "程序正忙，没有接受调用";
        break;
    case RPC_E_DISCONNECTED:
    case static_cast<HRESULT>(0x800706BA): // RPC_S_SERVER_UNAVAILABLE
    case static_cast<HRESULT>(0x800706BE): // RPC_S_CALL_FAILED
        text = "程序已经退出或不再响应";
        break;
    case CO_E_CLASSSTRING:
    case REGDB_E_CLASSNOTREG:
        text = "没有安装（系统中没有注册这个程序）";
        break;
    case CO_E_SERVER_EXEC_FAILURE:
        text = "程序无法启动";
        break;
    case E_ACCESSDENIED:
        text = "没有权限";
        break;
    case E_OUTOFMEMORY:
        text = "内存不足";
        break;
    default: {
        text = systemText(code);
        if (text.empty()) {
            text = "调用失败";
        }
    }
    }
    return text + "（" + num::codeText(static_cast<unsigned long>(code)) + "）";
}

// The busy answers of an out-of-process server that is showing a dialog or still starting.
bool busy(HRESULT code) {
    return code == RPC_E_CALL_REJECTED || code == RPC_E_SERVERCALL_RETRYLATER;
}

class ComObject;

// A VARIANT that clears itself.
struct OwnedVariant {
    VARIANT v;
    OwnedVariant() { ::VariantInit(&v); }
    ~OwnedVariant() { ::VariantClear(&v); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
};

class ComObject : public Object {
  public:
    explicit ComObject(IDispatch* dispatch) : dispatch_(dispatch) {} // takes a reference
    ~ComObject() override {
        if (dispatch_ != nullptr) {
            dispatch_->Release();
        }
    }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IDispatch* dispatch() const { return dispatch_; }

    Outcome invoke(std::string_view member, CallKind kind, std::span<const Variant> args) override;

  private:
    IDispatch* dispatch_;
};

// A Variant as a VARIANT; false (and why) when it cannot be passed.
bool toVariant(const Variant& in, VARIANT& out, std::string& why) {
    ::VariantInit(&out);
    const auto& value = in.value();
    if (const auto* text = std::get_if<std::string>(&value)) {
        const std::wstring w = wide(*text);
        out.vt = VT_BSTR;
        out.bstrVal = ::SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
        if (out.bstrVal == nullptr) {
            out.vt = VT_EMPTY;
            why = "内存不足";
            return false;
        }
    } else if (const auto* integer = std::get_if<std::int32_t>(&value)) {
        out.vt = VT_I4;
        out.lVal = *integer;
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        out.vt = VT_BOOL;
        out.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (const auto* real = std::get_if<double>(&value)) {
        out.vt = VT_R8;
        out.dblVal = *real;
    } else if (const auto* object = std::get_if<Dispatch>(&value)) {
        if (!*object) {
            out.vt = VT_DISPATCH;
            out.pdispVal = nullptr;
            return true;
        }
        const auto* com = dynamic_cast<const ComObject*>(object->object());
        if (com == nullptr) {
            why = "不能把程序自己的对象交给外部程序";
            return false;
        }
        out.vt = VT_DISPATCH;
        out.pdispVal = com->dispatch();
        out.pdispVal->AddRef();
    } else if (std::holds_alternative<ParamNotFound>(value)) {
        out.vt = VT_ERROR;
        out.scode = DISP_E_PARAMNOTFOUND;
    }
    return true;
}

// A VARIANT as a Variant; an empty one and why for the kinds the program has no use for.
Variant fromVariant(const VARIANT& source, std::string& why) {
    OwnedVariant copy;
    if (FAILED(::VariantCopyInd(&copy.v, const_cast<VARIANT*>(&source)))) {
        why = "无法读取返回值";
        return Variant();
    }
    VARIANT& v = copy.v;
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return Variant();
    case VT_BSTR:
        return Variant(utf8(v.bstrVal));
    case VT_BOOL:
        return Variant(v.boolVal != VARIANT_FALSE);
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
        if (SUCCEEDED(::VariantChangeType(&v, &v, 0, VT_I4))) {
            return Variant(static_cast<std::int32_t>(v.lVal));
        }
        break;
    case VT_DISPATCH:
        if (v.pdispVal == nullptr) {
            return Variant(Dispatch());
        }
        v.pdispVal->AddRef();
        return Variant(Dispatch(std::make_shared<ComObject>(v.pdispVal)));
    case VT_UNKNOWN: {
        IDispatch* dispatch = nullptr;
        if (v.punkVal != nullptr && SUCCEEDED(v.punkVal->QueryInterface(
                                        IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            return Variant(Dispatch(std::make_shared<ComObject>(dispatch)));
        }
        why = "返回的对象不支持自动化";
        return Variant();
    }
    case VT_ERROR:
        return v.scode == DISP_E_PARAMNOTFOUND ? Variant(kOmitted) : Variant();
    default:
        break;
    }
    // Every other number (long integers, currency, dates, decimals) as a real.
    if ((v.vt & VT_ARRAY) == 0 && SUCCEEDED(::VariantChangeType(&v, &v, 0, VT_R8))) {
        const double real = v.dblVal;
        if (real >= std::numeric_limits<std::int32_t>::min() &&
            real <= std::numeric_limits<std::int32_t>::max() &&
            static_cast<double>(static_cast<std::int32_t>(real)) == real &&
            (source.vt & ~VT_BYREF) != VT_R4 && (source.vt & ~VT_BYREF) != VT_R8 &&
            (source.vt & ~VT_BYREF) != VT_DATE && (source.vt & ~VT_BYREF) != VT_CY &&
            (source.vt & ~VT_BYREF) != VT_DECIMAL) {
            return Variant(static_cast<std::int32_t>(real));
        }
        return Variant(real);
    }
    why = "返回值的类型不受支持";
    return Variant();
}

Outcome ComObject::invoke(std::string_view member, CallKind kind, std::span<const Variant> args) {
    const std::string name(member);
    if (dispatch_ == nullptr) {
        return Outcome::fail(name + "：对象已经释放");
    }
    std::wstring wideName = wide(member);
    LPOLESTR names[] = {wideName.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        return Outcome::fail(name + "：" + describe(hr));
    }
    // The arguments go in last to first.
    std::vector<VARIANT> passed(args.size());
    std::string why;
    std::size_t converted = 0;
    for (; converted < args.size(); ++converted) {
        if (!toVariant(args[args.size() - 1 - converted], passed[converted], why)) {
            break;
        }
    }
    const auto clearPassed = [&] {
        for (std::size_t i = 0; i < converted; ++i) {
            ::VariantClear(&passed[i]);
        }
    };
    if (converted != args.size()) {
        clearPassed();
        return Outcome::fail(name + "：第 " +
                             num::plainText(static_cast<double>(args.size() - converted)) +
                             " 个参数" + why);
    }
    DISPPARAMS params{};
    params.rgvarg = passed.empty() ? nullptr : passed.data();
    params.cArgs = static_cast<UINT>(passed.size());
    DISPID putId = DISPID_PROPERTYPUT;
    WORD flags = DISPATCH_METHOD;
    if (kind == CallKind::Get) {
        flags = DISPATCH_PROPERTYGET | DISPATCH_METHOD;
    } else if (kind == CallKind::Put) {
        flags = DISPATCH_PROPERTYPUT;
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    OwnedVariant result;
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const auto call = [&](WORD how) {
        // A server that is busy (a dialog open, still starting) is asked again for a while.
        for (int attempt = 0;; ++attempt) {
            ::VariantClear(&result.v);
            hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, how, &params,
                                   kind == CallKind::Put ? nullptr : &result.v, &exception,
                                   &badArgument);
            if (!busy(hr) || attempt == 50) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    };
    call(flags);
    if (kind == CallKind::Put && hr == DISP_E_MEMBERNOTFOUND && !passed.empty() &&
        passed[0].vt == VT_DISPATCH) {
        call(DISPATCH_PROPERTYPUTREF); // an object is put by reference
    }
    clearPassed();
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn != nullptr) {
            exception.pfnDeferredFillIn(&exception);
        }
        std::string text = utf8(exception.bstrDescription);
        const HRESULT code =
            exception.scode != 0 ? exception.scode : static_cast<HRESULT>(exception.wCode);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrHelpFile);
        if (text.empty()) {
            return Outcome::fail(name + "：" + describe(code));
        }
        return Outcome::fail(name + "：" + text + "（" +
                             num::codeText(static_cast<unsigned long>(code)) + "）");
    }
    if (FAILED(hr)) {
        std::string text = name + "：" + describe(hr);
        if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) &&
            badArgument < args.size()) {
            text += "，第 " + num::plainText(static_cast<double>(args.size() - badArgument)) +
                    " 个参数";
        }
        return Outcome::fail(text);
    }
    Outcome outcome;
    outcome.value = fromVariant(result.v, why);
    if (!why.empty()) {
        return Outcome::fail(name + "：" + why);
    }
    return outcome;
}

} // namespace

bool systemObjectRegistered(std::string_view progId) {
    CLSID clsid;
    const std::wstring id = wide(progId);
    return SUCCEEDED(::CLSIDFromProgID(id.c_str(), &clsid));
}

Outcome createSystemObject(std::string_view progId) {
    const std::string name(progId);
    CLSID clsid;
    const std::wstring id = wide(progId);
    HRESULT hr = ::CLSIDFromProgID(id.c_str(), &clsid);
    if (FAILED(hr)) {
        return Outcome::fail(name + "：" + describe(hr));
    }
    IDispatch* dispatch = nullptr;
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                            IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr) || dispatch == nullptr) {
        return Outcome::fail(name + "：" + describe(FAILED(hr) ? hr : E_NOINTERFACE));
    }
    return Outcome::ok(Dispatch(std::make_shared<ComObject>(dispatch)));
}

SystemObjectThread::SystemObjectThread() {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    entered_ = SUCCEEDED(hr); // S_FALSE (already entered) is balanced by its own uninitialize
}

SystemObjectThread::~SystemObjectThread() {
    if (entered_) {
        ::CoUninitialize();
    }
}

} // namespace tarnelo::automation
