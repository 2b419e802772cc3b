// python/zt_bindings_python.cpp: the Python extension module zt_bindings_python, a
// thin layer over the C ABI of libzt_core.so. Each function converts its
// arguments, makes the C call with the interpreter lock released, and raises
// ValueError("ffi: <message>") when the call fails. Python and C callers in one
// process share the library's one registry of game mappers.
#include <Python.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "zt/zt_core.h"

namespace py = pybind11;

namespace {

// A failure of a wrapper before it becomes a Python exception.
struct BindingError {
  enum class Kind { InteriorNul, Ffi };
  Kind kind;
  std::string message;  // the C ABI's message, for Ffi

  std::string text() const {
    return kind == Kind::InteriorNul ? std::string("invalid utf8") : "ffi: " + message;
  }
};

// The UTF-8 form of a str argument, borrowed from the str object. A value that
// is not a str raises TypeError naming the argument; lone surrogates raise the
// interpreter's own UnicodeEncodeError.
std::string_view borrow_utf8(const py::handle& value, const char* argument_name) {
  if (!PyUnicode_Check(value.ptr())) {
    throw py::type_error(std::string("argument '") + argument_name + "': expected str, got " +
                         Py_TYPE(value.ptr())->tp_name);
  }
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
  if (data == nullptr) throw py::error_already_set();
  return {data, static_cast<std::size_t>(size)};
}

// The failing call's message, copied before the interpreter lock is taken back.
// It is the calling thread's own, so concurrent Python threads never raise each
// other's message.
BindingError ffi_error() {
  const char* message = zt_core_thread_last_error_message();
  return {BindingError::Kind::Ffi, message == nullptr ? "unknown error" : message};
}

void raise(const BindingError& error) {
  // Messages are UTF-8; anything that is not is replaced rather than refused.
  const std::string text = error.text();
  py::object message = py::reinterpret_steal<py::object>(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
  if (!message) throw py::error_already_set();
  PyErr_SetObject(PyExc_ValueError, message.ptr());
  throw py::error_already_set();
}

void verify_bet(const py::object& receipt_json, const py::object& transcript_json) {
  const std::string_view receipt = borrow_utf8(receipt_json, "receipt_json");
  const std::string_view transcript = borrow_utf8(transcript_json, "transcript_json");
  std::optional<BindingError> error;
  {
    py::gil_scoped_release release;
    // C strings end at their first NUL, so a text holding one cannot be passed on.
    if (receipt.find('\0') != std::string_view::npos ||
        transcript.find('\0') != std::string_view::npos) {
      error = BindingError{BindingError::Kind::InteriorNul, {}};
    } else {
      const std::string receipt_text(receipt);
      const std::string transcript_text(transcript);
      if (zt_core_verify_bet(receipt_text.c_str(), transcript_text.c_str()) != 0) {
        error = ffi_error();
      }
    }
  }
  if (error) raise(*error);
}

void register_gdp_package(const py::object& package) {
  if (!PyBytes_Check(package.ptr())) {
    throw py::type_error(std::string("argument 'bytes': expected bytes, got ") +
                         Py_TYPE(package.ptr())->tp_name);
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(package.ptr()));
  const auto size = static_cast<std::size_t>(PyBytes_GET_SIZE(package.ptr()));
  std::optional<BindingError> error;
  {
    py::gil_scoped_release release;
    if (zt_core_register_gdp_package(data, size) != 0) error = ffi_error();
  }
  if (error) raise(*error);
}

// m_size 0 (not -1) makes the interpreter call this module's init again in a
// sub-interpreter instead of silently sharing one module object between two
// interpreters; the init then refuses with ImportError.
PyModuleDef module_definition = {PyModuleDef_HEAD_INIT,
                                 "zt_bindings_python",
                                 "",
                                 0,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr};

PyObject* create_module() {
  static std::optional<std::int64_t> owner_interpreter;
  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (owner_interpreter && *owner_interpreter != interpreter) {
    PyErr_SetString(PyExc_ImportError,
                    "zt_bindings_python is already loaded in another interpreter of this "
                    "process and cannot be imported in a sub-interpreter");
    return nullptr;
  }
  PyObject* raw = PyModule_Create(&module_definition);
  if (raw == nullptr) return nullptr;
  try {
    py::module_ module = py::reinterpret_steal<py::module_>(raw);
    py::options options;
    options.disable_function_signatures();
    module.def("verify_bet", &verify_bet, py::arg("receipt_json"), py::arg("transcript_json"),
               "verify_bet(receipt_json, transcript_json)\n--\n\n");
    module.def("register_gdp_package", &register_gdp_package, py::arg("bytes"),
               "register_gdp_package(bytes)\n--\n\n");
    owner_interpreter = interpreter;
    return module.release().ptr();
  } catch (py::error_already_set& e) {
    e.restore();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_ImportError, e.what());
  }
  return nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) PyObject* PyInit_zt_bindings_python() {
  return create_module();
}
