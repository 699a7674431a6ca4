<?xml version="1.0" encoding="UTF-8"?>
<!-- Any storage reply, rendered by the shared rules: each object's kind
     (its ObjType element) chooses its title and fields, and objects of
     unknown kinds show every element under a label made from its name. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="vw/cli/common.xsl"/>
  <xsl:variable name="rk.kind" select="''"/>
  <xsl:variable name="rk.empty" select="'No objects found.'"/>
</xsl:stylesheet>
