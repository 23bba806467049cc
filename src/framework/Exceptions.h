// The framework's exception classes. A failure is an exception that carries a message meant for
// the user; the application's handler shows that message in a box and the program goes on.
#pragma once

#include <exception>
#include <string>

namespace kestrilon::framework {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}

  // The text shown to the user (UTF-8).
  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// A system resource (a window, a menu, a GDI object, memory) could not be had.
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// An object is not of the class an operation needs (a form expected, another component found).
class EInvalidCast : public Exception {
 public:
  using Exception::Exception;
};

// A value cannot be converted or assigned to another (TPersistent::Assign of unrelated classes).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

class EStringListError : public EListError {
 public:
  using EListError::EListError;
};

// A component name that is not an identifier, or already taken among the owner's components.
class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

// An operation the object's state doesn't allow (a control without a parent window, say).
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// A thread could not be created, resumed or waited for.
class EThread : public Exception {
 public:
  using Exception::Exception;
};

// A call of the operating system failed; the message names the call, ErrorCode is its error.
class EOSError : public Exception {
 public:
  EOSError(std::string message, unsigned long errorCode)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  unsigned long ErrorCode() const noexcept { return FErrorCode; }

 private:
  unsigned long FErrorCode;
};

}  // namespace kestrilon::framework
