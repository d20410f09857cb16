namespace pelmora { void login_placeholder() {} }
