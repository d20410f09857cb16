namespace pelmora { void service_placeholder() {} }
