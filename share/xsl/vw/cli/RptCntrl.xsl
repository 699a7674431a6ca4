<?xml version="1.0" encoding="UTF-8"?>
<!-- Controllers (rkreport storage controller), and the configuration dumps, whose objects name their own kinds. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'Controller'"/>
  <xsl:variable name="rk.empty" select="'No controllers found.'"/>
</xsl:stylesheet>
